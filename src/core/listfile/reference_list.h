#pragma once

#include <memory>
#include <string>

#include "core/ports/messages.h"
#include "core/store/word_store.h"

namespace tarvolen {

struct IngestHooks;
struct RunState;

inline constexpr const char* kEmptyReferenceFormat = "The reference list %s holds no words";

// A reference list's own summary is not the person's run; its refusals are. Passes
// on every message but the information ones.
class ErrorsOnlyMessages : public MessagePort {
  public:
    explicit ErrorsOnlyMessages(MessagePort& to) : to_(to) {}
    void ShowMessage(const std::string& text, MessageIcon icon) override {
        if (icon != MessageIcon::Information)
            to_.ShowMessage(text, icon);
    }
    Answer Ask(const std::string& text, MessageButtons buttons) override {
        return to_.Ask(text, buttons);
    }

  private:
    MessagePort& to_;
};

// Reads the word list at path into a run state of its own, as lists are merged, under
// the list's language, word rules, decoding and shortest word, so that its words are
// cut and spelled as the list's are and the two compare word for word. hooks.messages
// hears the reader's refusals (wrap it in ErrorsOnlyMessages to keep the summary
// away). Null when the list was refused or could not be read.
std::unique_ptr<RunState> ReadReferenceList(const RunState& list, const std::string& path,
                                            const IngestHooks& hooks,
                                            const WordStore::Options& storeOptions = {});

}  // namespace tarvolen
