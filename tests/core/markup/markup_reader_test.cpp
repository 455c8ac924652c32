// The markup reader: what text of a page is left for the word rule, and that where
// the chunks of a page end never changes it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/markup/markup_reader.h"

#include "core/decode/charset_hint.h"

namespace tarvolen {
namespace {

// Reads text through reader in pieces cut at the given offsets, each piece with the
// front room the reader may use, and joins what it gives.
std::string ReadInPieces(const std::string& text, const std::vector<std::size_t>& cuts,
                         CodePage codePage = CodePage::Windows1252) {
    MarkupReader reader(codePage);
    std::string result;
    std::size_t from = 0;
    for (std::size_t i = 0; i <= cuts.size(); ++i) {
        const std::size_t to = i < cuts.size() ? cuts[i] : text.size();
        std::vector<unsigned char> buffer(kMarkupFrontRoom + (to - from) + 1, 0xEE);
        unsigned char* piece = buffer.data() + kMarkupFrontRoom;
        std::copy(text.begin() + from, text.begin() + to, piece);
        const std::span<unsigned char> out = reader.Read(piece, to - from, to == text.size());
        EXPECT_GE(out.data(), buffer.data());
        EXPECT_LE(out.data() + out.size(), piece + (to - from));
        result.append(out.begin(), out.end());
        from = to;
    }
    return result;
}

std::string Read(const std::string& text, CodePage codePage = CodePage::Windows1252) {
    return ReadInPieces(text, {}, codePage);
}

struct Row {
    const char* why;
    std::string page;
    // What the word rule gets; ' ' where markup separated words, and kBlockBreak ('\f')
    // after a block-level element's tag besides.
    std::string text;
};

const std::vector<Row>& Rows() {
    static const std::vector<Row> rows = {
        {"plain text passes", "caf\xE9 au lait", "caf\xE9 au lait"},
        {"a tag separates", "a<br>b", "a \fb"},
        {"an inline tag only separates", "a<b>b</b> <SPAN>c</span>", "a b   c "},
        {"end tags and upper case", "<P>One</P><DIV CLASS=x>two</DIV>", " \fOne \f \ftwo \f"},
        {"every block element, and no longer name",
         "<h1>a</h1><li>b<td>c<tr>d<blockquote>e<figcaption>f<figcaptions>g<UL>h",
         " \fa \f \fb \fc \fd \fe \ff g \fh"},
        {"'>' in a quoted attribute", "<a title=\"x>y\" alt='p>q'>t</a>", " t "},
        {"a quote not after '=' is no value", "<a b\"c>t", " t"},
        {"self-closing tag", "a<br/>b", "a \fb"},
        {"comment with -- inside", "a<!-- x -- y --- z -->b", "a b"},
        {"comment closed by --!>", "a<!-- x --!>b", "a b"},
        {"empty comments", "a<!-->b<!--->c", "a b c"},
        {"declaration", "<!DOCTYPE html>page", " page"},
        {"processing instruction", "<?xml version=\"1.0\"?>doc", " doc"},
        {"script hides its tags and text", "<script>if (a<b) x = '</p>';</script>after", " after"},
        {"style, end tag in any case", "<style type=text/css>p { x: y }</STYLE >after", " after"},
        {"a script that closes itself holds nothing", "<script src=x/>after", " after"},
        {"'</scriptx' does not end a script", "<script>a</scriptx>b</script>c", " c"},
        {"'<' before no name is text", "a < b <3 c", "a   b  3 c"},
        {"'</' before no name is a bogus comment", "a</ x>b", "a b"},
        {"named references", "caf&eacute; &lt;b&gt; &amp;", "caf\xE9 <b> &"},
        {"decimal and hex references", "&#233;&#xE9;&#XE9;&#x20AC;", "\xE9\xE9\xE9\x80"},
        {"numbers in 0x80..0x9F are Windows-1252's", "&#128;&#x99;", "\x80\x99"},
        {"no character, surrogate, too large", "&#0;&#xD800;&#99999999999;a",
         "\x1A\x1A\x1A"
         "a"},
        {"a reference without ';'", "&#233a &eacute b", "\351a \xE9 b"},
        {"the longest old name that starts the letters", "&notit; &notin;", "\xACit; \x1A"},
        {"unknown references are text", "&unknown; &Amp; &# &#x; &", "&unknown; &Amp; &# &#x; &"},
        {"a character the code page lacks separates", "x&alpha;y&NotEqualTilde;z",
         "x\x1Ay\x1A\x1Az"},
        {"references inside tags are not read", "<a title=\"&eacute;\">&eacute;</a>", " \xE9 "},
        {"an unclosed tag ends with the page", "word<a href=\"x", "word "},
        {"an unclosed comment ends with the page", "word<!-- never closed", "word "},
        {"a title's text is shown, tags and all", "<title>x<y>z &lt;</TITLE >t", " \fx<y>z < \ft"},
        {"a textarea's too, with its references", "<textarea a=1>&#233;<b></textarea>c",
         " \xE9<b> c"},
        {"'</titlex' does not end a title", "<title>a</titlex>b</title>c", " \fa</titlex>b \fc"},
        {"a reference cut by the page's end", "caf&eacute", "caf\xE9"},
        {"digits cut by the page's end", "caf&#233", "caf\xE9"},
    };
    return rows;
}

TEST(MarkupReaderTest, LeavesTheTextAPageShows) {
    for (const Row& row : Rows()) {
        SCOPED_TRACE(row.why);
        EXPECT_EQ(Read(row.page), row.text);
    }
}

TEST(MarkupReaderTest, ReferencesBecomeLettersOfTheAlphabetsCodePage) {
    EXPECT_EQ(Read("&#1103;&Yacute;", CodePage::Windows1251), "\xFF\x1A");
    EXPECT_EQ(Read("&#1103;&Yacute;", CodePage::Windows1252), "\x1A\xDD");
}

// Chunking is invisible: a page cut at any byte, or at every byte, reads as one piece.
TEST(MarkupReaderTest, AnyCutGivesTheSameText) {
    std::string page;
    for (const Row& row : Rows()) {
        // Rows that end a page mid-construct would swallow the rows after them.
        if (std::string(row.why).find("page") == std::string::npos)
            page += row.page + "\n";
    }
    page += "&CounterClockwiseContourIntegral;&#x0000000000E9;x&notin";
    const std::string whole = Read(page);
    for (std::size_t cut = 0; cut <= page.size(); ++cut) {
        SCOPED_TRACE(cut);
        ASSERT_EQ(ReadInPieces(page, {cut}), whole);
    }
    std::vector<std::size_t> everyByte;
    for (std::size_t cut = 1; cut < page.size(); ++cut)
        everyByte.push_back(cut);
    EXPECT_EQ(ReadInPieces(page, everyByte), whole);
}

TEST(MarkupReaderTest, WhichFilesAreWebPages) {
    EXPECT_TRUE(ReadsAsMarkup(MarkupMode::ByName, "/a/Page.HTM"));
    EXPECT_TRUE(ReadsAsMarkup(MarkupMode::ByName, "page.html"));
    EXPECT_TRUE(ReadsAsMarkup(MarkupMode::ByName, "page.xhtml"));
    EXPECT_TRUE(ReadsAsMarkup(MarkupMode::ByName, "feed.XML"));
    EXPECT_FALSE(ReadsAsMarkup(MarkupMode::ByName, "notes.txt"));
    EXPECT_FALSE(ReadsAsMarkup(MarkupMode::ByName, "/site.html/README"));
    EXPECT_TRUE(ReadsAsMarkup(MarkupMode::Html, "notes.txt"));
    EXPECT_FALSE(ReadsAsMarkup(MarkupMode::None, "page.html"));
    EXPECT_EQ(ParseMarkupMode("AUTO"), MarkupMode::ByName);
    EXPECT_EQ(ParseMarkupMode("none"), MarkupMode::None);
    EXPECT_EQ(ParseMarkupMode("xml"), std::nullopt);
}

TEST(MarkupReaderTest, CharsetHints) {
    const struct {
        std::string start;
        std::optional<std::string> hint;
    } cases[] = {
        {"<html><head><meta charset=\"windows-1251\">", "windows-1251"},
        {"<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=KOI8-R\">", "koi8-r"},
        {"<meta charset=utf-8>", "utf-8"},
        {"<?xml version=\"1.0\" encoding='ISO-8859-5'?><a/>", "iso-8859-5"},
        {"<meta charset=\"iso-8859-1\">", "windows-1252"},
        {"<meta charset=\" Latin1\t\">", "windows-1252"},
        {"<meta charset=x-user-defined>", "windows-1252"},
        {"<meta name=\"author\" content=\"charset\">", std::nullopt},
        {"<p>charset=koi8-r</p>", std::nullopt},
        {std::string(1100, ' ') + "<meta charset=koi8-r>", std::nullopt},
        // Labels of UTF-16 on a page that reads as ASCII mean UTF-8; labels the web
        // does not know (UTF-32, UTF-7, a typing error) mean nothing.
        {"<meta charset=\"utf-16\">", "utf-8"},
        {"<meta charset=\"unicode\">", "utf-8"},
        {"<meta charset=ucs-2>", "utf-8"},
        {"<meta http-equiv=content-type content=\"text/html; charset=csunicode\">", "utf-8"},
        {"<meta charset=\"utf-32\">", std::nullopt},
        {"<meta charset=\"utf-7\">", std::nullopt},
        {"<meta charset=utf-8/>", std::nullopt},
        {"<meta charset=\"koi8\">", "koi8-r"},
        // Only the attributes of meta elements count, and comments hide what they hold.
        {"<!-- <meta charset=\"iso-8859-5\"> --><meta charset=\"utf-8\">", "utf-8"},
        {"<meta name=\"x\" content=\"charset=koi8-r\"><meta charset=\"utf-8\">", "utf-8"},
        {"<p title=\"<meta charset=koi8-r>\"><meta charset=windows-1251>", "windows-1251"},
        {"<meta content=\"text/html; charset='windows-1251'\" http-equiv=Content-Type>",
         "windows-1251"},
        {"<meta charset=\"unknown\"><meta charset=\"koi8-r\">", "koi8-r"},
        {"<meta charset=\"koi8-r", std::nullopt},
    };
    for (const auto& [start, hint] : cases) {
        SCOPED_TRACE(start);
        EXPECT_EQ(
            FindCharsetHint(reinterpret_cast<const unsigned char*>(start.data()), start.size()),
            hint);
    }
}

}  // namespace
}  // namespace tarvolen

namespace tarvolen {
namespace {

// A page read for a list of any language gives its references as UTF-8, and a
// reference cut by a chunk's end gives the same.
TEST(MarkupReaderUtf8, ReferencesBecomeUtf8) {
    const std::string page = "<p>caf&eacute; &#x4E2D;&#25991; na&iuml;ve &lt;b&gt;</p>";
    const std::string text = " \fcaf\xC3\xA9 \xE4\xB8\xAD\xE6\x96\x87 na\xC3\xAFve <b> \f";
    EXPECT_EQ(ReadInPieces(page, {}, CodePage::Utf8), text);
    for (std::size_t cut = 1; cut < 12; ++cut)
        EXPECT_EQ(ReadInPieces(page, {cut}, CodePage::Utf8), text) << cut;
}

// A numeric reference to a character of three or four bytes, whose digits end where a
// chunk ends, gives its character all the same.
TEST(MarkupReaderUtf8, ANumericReferenceCutAfterItsDigitsGivesItsCharacter) {
    const std::string page = "abc&#x10D7;def &#128512;x &#x4E2D y";
    const std::string whole = ReadInPieces(page, {}, CodePage::Utf8);
    EXPECT_EQ(whole,
              "abc\xE1\x83\x97"
              "def \xF0\x9F\x98\x80x \xE4\xB8\xAD y");
    for (std::size_t cut = 1; cut < page.size(); ++cut)
        EXPECT_EQ(ReadInPieces(page, {cut}, CodePage::Utf8), whole) << cut;
}

}  // namespace
}  // namespace tarvolen
