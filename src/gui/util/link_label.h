#pragma once

#include <QColor>
#include <QLabel>
#include <QString>
#include <functional>
#include <utility>

namespace tarvolen {

class MessagePort;

// What became of an attempt to open a URL; reason says why it failed, for the person.
struct LinkOpenResult {
    bool opened = false;
    QString reason;
};

// Opens a URL in the user's web browser. The label uses the desktop's by default; tests
// hand in one that fails or succeeds on demand.
using LinkOpener = std::function<LinkOpenResult(const QString& url)>;
LinkOpener DesktopLinkOpener();

// A static text that behaves as a hyperlink: underlined, in the link colour, in the
// hover colour while the pointer is over it and in the visited colour after a visit
// that worked; a hand cursor, the URL as tooltip, and a click opens the URL.
class CLinkLabel : public QLabel {
    Q_OBJECT

  public:
    static constexpr QColor kLinkColor{0, 0, 238};
    static constexpr QColor kVisitedColor{85, 26, 139};
    static constexpr QColor kHoverColor{90, 90, 255};
    static constexpr const char* kErrorPrefix = "Unable to open hyperlink:\n\n";

    // An empty URL takes the caption, an empty caption the URL.
    CLinkLabel(const QString& caption, const QString& url, MessagePort& messages,
               QWidget* parent = nullptr);

    // Changes the target and the tooltip; the caption stays.
    void SetLinkUrl(const QString& url);
    const QString& LinkUrl() const { return linkUrl_; }

    void SetVisited(bool visited);
    bool IsVisited() const { return visited_; }
    bool IsHovered() const { return hovered_; }

    void SetOpener(LinkOpener opener) { opener_ = std::move(opener); }

    // The colour the text is drawn in now.
    QColor TextColor() const;

    // Shrinks or grows the label to its text, keeping the edges its alignment anchors.
    void FitToText();

    bool OpenHyperlink(const QString& url);
    // Beeps and tells the person why the last OpenHyperlink failed.
    void ReportLinkError();

    // What a click does: open the URL, remember whether that worked, report a failure.
    void Activate();

  protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void SetHovered(bool hovered);
    void ApplyColor();

    MessagePort& messages_;
    LinkOpener opener_;
    QString linkUrl_;
    QString lastReason_;
    bool hovered_ = false;
    bool visited_ = false;
    bool pressed_ = false;
};

}  // namespace tarvolen
