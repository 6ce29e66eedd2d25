#include "datagramsend.h"

qsizetype sendDatagrams(qintptr, quint16, const QList<OutgoingDatagram> &)
{
    return -1;
}
