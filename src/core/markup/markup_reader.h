#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/text/code_page.h"

namespace tarvolen {

// Which documents are read as web pages rather than as plain text.
enum class MarkupMode : std::uint8_t {
    ByName,  // names ending in .htm, .html, .xhtml or .xml, in any case
    Html,    // every document
    None,    // no document: the markup is read as words like everything else
};

// The command line's names for the modes ("auto", "html", "none"); nothing for
// another name.
std::optional<MarkupMode> ParseMarkupMode(std::string_view name);

// Whether the document at path is read as markup under mode.
bool ReadsAsMarkup(MarkupMode mode, std::string_view path);

// Bytes that a chunk handed to MarkupReader::Read must have writable in front of it:
// a character reference cut by the previous chunk's end is put back there whole.
inline constexpr std::size_t kMarkupFrontRoom = 32;

// What the tag of a block-level element (p, div, br, li, h1, td...) leaves in the text
// besides the space every tag leaves: a form feed, a control character, which ends a
// run of words in a row as a blank line does and, like the space, only separates.
inline constexpr unsigned char kBlockBreak = '\f';

// Reads the decoded text of a web page, chunk by chunk, as a browser shows it: tags
// (with quoted attribute values, which may hold '>'), comments, declarations,
// processing instructions and the contents of <script> and <style> become nothing,
// and character references (&eacute; &#233; &#xE9;, every HTML5 name) become their
// characters in the code page, or kNoByte where it has none. Markup separates words
// as a space would: "a<br>b" is two words; a block-level element's tag also leaves
// kBlockBreak. The contents of <title> and <textarea>
// are text, references read but no tags: "x<y>z" there is "x<y>z".
//
// The rules are those of HTML5's tokenizer, cut down to what decides which text is
// shown. Reading is in place: nothing the reader gives is longer than what it took.
class MarkupReader {
  public:
    explicit MarkupReader(CodePage codePage);

    // Reads the next size bytes of the page's decoded text. text[-kMarkupFrontRoom]
    // .. text[size] must be writable. lastOfFile: no text follows (a reference cut
    // here is taken as it stands). Returns the text to tokenize, which starts at most
    // kMarkupFrontRoom bytes before text; the byte after it is writable.
    std::span<unsigned char> Read(unsigned char* text, std::size_t size, bool lastOfFile);

  private:
    enum class State : std::uint8_t {
        Text,
        TagOpen,      // after '<'
        EndTagOpen,   // after "</"
        TagName,      // the name of a start or end tag
        InTag,        // attributes and unquoted values
        AfterEquals,  // an attribute's '=', before its value
        Quoted,       // a quoted attribute value
        DeclOpen,     // after "<!"
        DeclDash,     // after "<!-"
        Comment,
        BogusComment,  // declarations, processing instructions, "</" not before a name
        RawText,       // inside <script> or <style>
        RcData,        // inside <title> or <textarea>: text without tags
        Digits,        // the digits of a numeric character reference
    };

    // Where a reference leaves the text: consumed bytes, and whether it needs bytes
    // the chunk does not hold yet.
    struct Reference {
        std::size_t consumed;
        bool needsMore;
    };
    Reference ReadReference(const unsigned char* at, const unsigned char* end, bool lastOfFile,
                            unsigned char*& out);
    // Text and RcData: the text up to the next '<' or '&', and what starts there; what
    // the chunk's end cuts is held for the next one.
    void ReadText(const unsigned char*& at, const unsigned char* end, bool lastOfFile,
                  unsigned char*& out);
    const unsigned char* ReadDigits(const unsigned char* at, const unsigned char* end);
    // The character the digits read name.
    char32_t NumericCharacter() const;
    void EndNumeric(unsigned char*& out, const unsigned char* limit);
    // At the tag's '>', which is read and gives room for kBlockBreak at out.
    void EndTag(unsigned char*& out);
    // The character in the text's encoding, into bytes (room for 4); its length.
    std::size_t Encode(char32_t character, unsigned char* bytes) const;
    // Writes the character in the text's encoding; limit is the first byte not read
    // yet, which the writing may not reach.
    void Put(char32_t character, unsigned char*& out, const unsigned char* limit) const;
    std::size_t ReadRawText(const unsigned char* at, const unsigned char* end);
    // RcData at a '<': whether the element's end tag starts there; nothing when the
    // chunk ends before that is known.
    std::optional<bool> EndsRcData(const unsigned char* at, const unsigned char* end) const;
    void Hold(const unsigned char* from, const unsigned char* end);
    bool EndCarriedReference(const unsigned char*& at, const unsigned char* end, bool lastOfFile,
                             unsigned char*& first, unsigned char*& out);
    void ReadMarkup(const unsigned char* at, const unsigned char* end, bool lastOfFile,
                    unsigned char*& out);

    const FromUnicodeTable& fromUnicode_;
    const bool utf8_;  // the text is UTF-8 (a list of any language), not a code page
    State state_ = State::Text;
    State textState_ = State::Text;  // Text, or RcData inside <title> and <textarea>
    bool endTag_ = false;
    bool slash_ = false;  // the tag's last byte so far is '/': "<script/>" holds nothing
    unsigned char quote_ = 0;
    int dashes_ = 0;         // Comment: '-' just before, for "-->"
    bool bang_ = false;      // Comment: "--!" just before, for "--!>"
    char tagName_[10] = {};  // lower case, enough to tell every element named above
    std::size_t tagNameLength_ = 0;
    char rawName_[9] = {};        // RawText, RcData: the element whose end tag ends it
    std::size_t rawMatched_ = 0;  // RawText: bytes of "</name" matched so far
    bool hex_ = false;            // Digits
    char32_t value_ = 0;          // Digits, saturated above U+10FFFF
    unsigned char held_[kMarkupFrontRoom] = {};
    std::size_t heldLength_ = 0;
};

}  // namespace tarvolen
