#pragma once

// The QML types and meta-types the windows need, registered before the
// first document is loaded: the font singleton ("VPNClient" 1.0
// "FontFactory"), the dashed circle ("DashCircle" 1.0) and the connection
// states ("ConnectionState" 1.0, with the meta-type ConnectionState::Id).
class QmlTypes
{
public:
    static void registerTypes();
};
