#include "gui/list/window_placement.h"

#include <algorithm>

namespace tarvolen {

namespace {

// A little space between the two frames.
constexpr int kGap = 8;

}  // namespace

std::optional<QRect> PlaceBeside(const QRect& otherFrame, const QSize& size, int minimumWidth,
                                 const QMargins& frame, const QRect& available) {
    const int frameWidth = frame.left() + frame.right();
    const int frameHeight = frame.top() + frame.bottom();
    const int height = std::min(size.height(), available.height() - frameHeight);
    const int top = std::max(
        available.top(), std::min(otherFrame.top(), available.bottom() + 1 - height - frameHeight));
    // The room for the window's own width on either side.
    const int rightStart = otherFrame.right() + 1 + kGap;
    const int rightRoom = available.right() + 1 - rightStart - frameWidth;
    const int leftEnd = otherFrame.left() - kGap;
    const int leftRoom = leftEnd - available.left() - frameWidth;
    const auto onRight = [&](int width) {
        return QRect(rightStart + frame.left(), top + frame.top(), width, height);
    };
    const auto onLeft = [&](int width) {
        return QRect(leftEnd - frame.right() - width, top + frame.top(), width, height);
    };
    if (rightRoom >= size.width())
        return onRight(size.width());
    if (leftRoom >= size.width())
        return onLeft(size.width());
    if (std::max(rightRoom, leftRoom) < minimumWidth)
        return std::nullopt;
    return rightRoom >= leftRoom ? onRight(rightRoom) : onLeft(leftRoom);
}

}  // namespace tarvolen
