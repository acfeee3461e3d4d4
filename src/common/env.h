#pragma once

// The process-wide debug flag, set once from the command line.
class Env
{
public:
    static bool debugMode();
    static void setDebugMode(bool enabled);

private:
    static bool m_debugMode;
};
