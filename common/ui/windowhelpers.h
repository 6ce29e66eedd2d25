#pragma once

#include <QString>
#include <Qt>

class QWidget;

// Window helpers shared by the messenger, GOMOKU and the clock.

// Puts window into the stay-on-top band or takes it out, keeping its place
// and size. The window keeps its native window: the change goes to the
// window system (the window manager's "above" state) instead of re-creating
// the window, so it neither flickers nor leaves and re-enters the task bar.
// windowFlags() says the new state at once; the window system learns it
// when the event loop turns, only the last of several changes in one turn.
// A hidden window stays hidden; a visible one is raised.
void SetTopmost(bool onTop, QWidget *window);

// Inverts window's attention look count + 1 times, waiting seconds between
// inversions while the event loop runs, then restores the normal look. The
// inverted look marks the caption's text either side (seen whether or not
// the window is active) and, on an inactive window, raises the attention
// state for the round only, so none is left behind.
// StopFlashing(window) ends a running flash of that window at its next
// check; a later FlashCaption clears the request again. The state belongs
// to the window, so flashing one window never stops or waits on another.
void FlashCaption(QWidget *window, qint16 count, float seconds);
void StopFlashing(QWidget *window);

// Whether the caption of window is in its inverted (attention) look.
bool captionInverted(const QWidget *window);

// True only on the Windows NT platform; this build runs elsewhere.
bool IsWindowsNT();

// Whether a program's window can come forward when the program wants it to:
// not on Wayland, where the compositor decides and wants a token of the
// user's own request.
bool windowsComeForwardByThemselves();

// Brings window back and in front: out of the minimised state, shown,
// raised and activated where the desktop allows it. activationToken: a
// token the desktop handed to whoever asked for the window (a second start
// from a launcher); on Wayland the compositor activates a window only with
// one.
void bringToFront(QWidget *window, const QString &activationToken = {});

// The width a window needs for the window manager to show title whole in
// its title bar: the text in a title font (bold, larger than the window's)
// and room for the icon and the buttons beside it.
int titleBarWidth(const QWidget *window, const QString &title);

// The window flags of a dialog: a title and a close button, nothing more.
Qt::WindowFlags dialogWindowFlags();

// Brings a modal dialog that gets minimised straight back, with its window.
// Some window managers (openbox) draw a minimise button on every dialog
// whatever its hints say, and minimising a dialog there takes its window
// down with it: the window would wait out of sight, refusing input while
// its dialog is open. Installed once per program.
void keepModalDialogsInReach();
