#include "core/workspace.h"

namespace tarvolen {

Workspace::Workspace(MessagePort& messages) : Store(messages) {}

Workspace::Workspace(MessagePort& messages, const WordStore::Options& storeOptions)
    : Store(messages, storeOptions) {}

}  // namespace tarvolen
