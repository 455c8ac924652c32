#pragma once

#include <string>

namespace tarvolen {

// How the core talks to the person in front of the screen. The GUI answers with
// message boxes titled "Tarvolen"; tests answer with scripted fakes; the command-line
// front end writes to standard error. Texts are UTF-8 for display; paths inside them
// are the raw bytes of the file system.
enum class MessageIcon { Information, Warning, Stop, Question };

enum class MessageButtons { Ok, YesNo, YesNoCancel };

enum class Answer { Ok, Yes, No, Cancel };

class MessagePort {
  public:
    virtual ~MessagePort() = default;

    // Shows the text and returns when the person has dismissed it.
    virtual void ShowMessage(const std::string& text,
                             MessageIcon icon = MessageIcon::Information) = 0;

    // Asks a question; returns the button that was pressed (Cancel also for the close box).
    virtual Answer Ask(const std::string& text, MessageButtons buttons) = 0;
};

}  // namespace tarvolen
