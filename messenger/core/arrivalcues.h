#pragma once

#include "datagram.h"
#include "settingsmapping.h"

#include <QString>
#include <QTime>

// What the arrival of a text (11) makes the messenger do to get its user's
// attention, decided here and carried out by the window in this order.
struct ArrivalCues
{
    // A desktop notification of the text: its body, the first line.
    bool notify = false;
    QString notificationBody;
    // The system beep.
    bool beep = false;
    // The window to the front, also out of the tray or minimised.
    bool bringForward = false;
    // The arrival sound, SoundFilePath.
    bool sound = false;
    // The lamp pop-up.
    bool lamp = false;

    bool operator==(const ArrivalCues &) const = default;
};

// The cues for text, which arrived at timeOfDay while the window was in
// view (shown, not minimised and active) or not, and could come forward by
// itself or not (a Wayland compositor lets a window come forward only with
// a token the arriving text does not bring):
//   notify         the window is out of view, and Notify is on or PopUp
//                  is on but the window cannot come forward

//   beep           always
//   bringForward   PopUp is on
//   sound          Sound is on and SoundFilePath is set
//   lamp           the text's <GAMEID> is the lamp's id (GameIds::Lamp)
// No cue depends on the time of day yet; it is passed so one can.
ArrivalCues arrivalCues(const ParsedDatagram &text, const LocalSettings &settings, bool windowInView,
    bool windowCanComeForward, QTime timeOfDay);
