#pragma once

#include "settingsmapping.h"

#include <optional>

class QWidget;

// The main window's place and size as stored (WindowPlace, in twips: 1440
// to the logical inch).

// Applies each stored edge at once; an edge not stored, or beyond any
// screen's reach, stays where it is. The window then opens where its user
// can reach it, however the screens changed since.
void applyWindowPlace(const WindowPlace &place, QWidget *window);
// The place to store; nothing for a minimised window.
std::optional<WindowPlace> windowPlaceOf(const QWidget *window);
