#pragma once

namespace tarvolen {

// Thrown when the person cancels a long operation in the middle of its work. It
// unwinds the operation silently: whoever dispatches commands catches it and shows
// nothing. Deliberately not derived from std::exception, so a generic handler
// cannot report it by mistake.
struct UserCancel {};

}  // namespace tarvolen
