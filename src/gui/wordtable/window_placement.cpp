#include "gui/wordtable/window_placement.h"

#include <algorithm>

namespace tarvolen {

namespace {

// A little space between the two frames.
constexpr int kGap = 8;

}  // namespace

std::optional<QRect> PlaceBeside(const QRect& otherFrame, const QRect& keepClear, const QSize& size,
                                 int minimumWidth, const QMargins& frame, const QRect& available) {
    const int frameWidth = frame.left() + frame.right();
    const int frameHeight = frame.top() + frame.bottom();
    const int height = std::min(size.height(), available.height() - frameHeight);
    const int top = std::max(
        available.top(), std::min(otherFrame.top(), available.bottom() + 1 - height - frameHeight));
    // The room for the window's own width right of a frame's start, or left of its end.
    const auto rightOf = [&](int start) { return available.right() + 1 - start - frameWidth; };
    const auto leftOf = [&](int end) { return end - available.left() - frameWidth; };
    const auto onRight = [&](int start, int width) {
        return QRect(start + frame.left(), top + frame.top(), width, height);
    };
    const auto onLeft = [&](int end, int width) {
        return QRect(end - frame.right() - width, top + frame.top(), width, height);
    };
    const int rightStart = otherFrame.right() + 1 + kGap;
    const int leftEnd = otherFrame.left() - kGap;
    const int clearEnd = keepClear.left() - kGap;
    if (rightOf(rightStart) >= size.width())
        return onRight(rightStart, size.width());
    if (leftOf(leftEnd) >= size.width())
        return onLeft(leftEnd, size.width());
    if (leftOf(clearEnd) >= size.width())
        return onLeft(clearEnd, size.width());
    const int rightRoom = rightOf(rightStart);
    const int leftRoom = leftOf(leftEnd);
    if (std::max(rightRoom, leftRoom) < minimumWidth)
        return std::nullopt;
    return rightRoom >= leftRoom ? onRight(rightStart, rightRoom) : onLeft(leftEnd, leftRoom);
}

}  // namespace tarvolen
