#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>
#include <optional>

namespace tarvolen {

// Where a window of this size (its frame's margins apart) goes beside another
// window's frame, on a screen whose free area is available: to its right where that
// leaves room, else to its left, top edges level as far as the screen lets them.
// Where neither side has room for the whole width, on the wider side, narrowed to
// it, as long as that leaves minimumWidth. Nothing otherwise: the window would cover
// the other's. The rectangle is the window's own, inside its frame.
std::optional<QRect> PlaceBeside(const QRect& otherFrame, const QSize& size, int minimumWidth,
                                 const QMargins& frame, const QRect& available);

}  // namespace tarvolen
