#pragma once

class QWidget;
class SettingsStore;

// The main window's place and size in section "WindowPos" (Top, Left,
// Width, Height), in twips: 1440 to the logical inch.

// Each edge is read with the current value as default and applied at once;
// a value that does not convert leaves the edge where it is.
void loadWindowPlacement(const SettingsStore &store, QWidget *window);
// Nothing is stored for a minimised window.
void saveWindowPlacement(SettingsStore &store, const QWidget *window);
