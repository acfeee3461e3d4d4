#include "networkinterface.h"

NetworkInterface::NetworkInterface(int id, const QString &name) : m_name(name), m_id(id)
{ }
