#include "wireguard.h"

// The engine runs on Linux over the kernel module or its user-space fallback,
// so WireGuard is supported unless something withdraws it.
bool WireGuard::m_supported = true;
bool WireGuard::m_initialized = false;
QString WireGuard::m_errorMessage;

bool WireGuard::isSupported()
{
    if (!m_initialized)
        initialize();
    return m_supported;
}

bool WireGuard::driverInstalled()
{
    if (!m_initialized)
        initialize();
    return true;
}

void WireGuard::initialize()
{
    m_initialized = true;
    m_supported = true;
    m_errorMessage.clear();
}

QString WireGuard::errorMessage()
{
    return m_errorMessage;
}

void WireGuard::setSupported(bool supported, const QString &errorMessage)
{
    m_initialized = true;
    m_supported = supported;
    m_errorMessage = supported ? QString() : errorMessage;
}
