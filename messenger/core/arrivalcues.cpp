#include "arrivalcues.h"

ArrivalCues arrivalCues(const ParsedDatagram &text, const LocalSettings &settings, bool windowInView,
    bool windowCanComeForward, QTime timeOfDay)
{
    Q_UNUSED(timeOfDay);
    ArrivalCues cues;
    // A text nobody sees arrive is also shown by the desktop, and so is one
    // that should bring the window forward where it cannot come.
    cues.notify = !windowInView && (settings.Notify || (settings.PopUp && !windowCanComeForward));
    if (cues.notify)
        cues.notificationBody = text.Data.section(QLatin1Char('\n'), 0, 0).remove(QLatin1Char('\r'));
    cues.beep = true;
    cues.bringForward = settings.PopUp;
    cues.sound = settings.Sound && !settings.SoundFilePath.isEmpty();
    cues.lamp = text.GameId == GameIds::Lamp;
    return cues;
}
