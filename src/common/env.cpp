#include "env.h"

bool Env::m_debugMode = false;

bool Env::debugMode()
{
    return m_debugMode;
}

void Env::setDebugMode(bool enabled)
{
    m_debugMode = enabled;
}
