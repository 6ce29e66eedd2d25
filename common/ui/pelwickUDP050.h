#pragma once

#include <QtGlobal>

class QWidget;

// Window helpers shared by the messenger, GOMOKU and the clock.

// Puts window into the stay-on-top band or takes it out, keeping its place
// and size. A hidden window stays hidden; a visible one is shown again, as
// changing the window flags hides it.
void SetTopmost(bool onTop, QWidget *window);

// Inverts window's attention look count + 1 times, waiting seconds between
// inversions while the event loop runs, then restores the normal look.
// StopFlashing ends a running flash at its next check.
void FlashCaption(QWidget *window, qint16 count, float seconds);
void StopFlashing();

// Whether the caption of window is in its inverted (attention) look.
bool captionInverted(const QWidget *window);

// True only on the Windows NT platform; this build runs elsewhere.
bool IsWindowsNT();
