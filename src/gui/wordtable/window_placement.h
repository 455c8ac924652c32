#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>
#include <optional>

namespace tarvolen {

// Where a window of this size (its frame's margins apart) goes beside another
// window's frame, on a screen whose free area is available, top edges level as far
// as the screen lets them: to the other's right where that leaves room for the whole
// width, else to its left; else to the left of the part of the other window that must
// stay in sight (keepClear: its buttons), covering the rest of it; else on the wider
// side of the other window, narrowed to the room there as long as that leaves
// minimumWidth. Nothing otherwise. The rectangle is the window's own, inside its
// frame.
std::optional<QRect> PlaceBeside(const QRect& otherFrame, const QRect& keepClear, const QSize& size,
                                 int minimumWidth, const QMargins& frame, const QRect& available);

}  // namespace tarvolen
