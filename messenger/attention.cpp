// Placeholders of the attention devices until they are wired in.
#include "frm_pelwickUDP.h"

void frm_pelwickUDP::sendRemovalRequest() {}
void frm_pelwickUDP::arrivalSound(const QString &) {}
void frm_pelwickUDP::showLampPopup() {}
void frm_pelwickUDP::trayIcon(bool) {}
