#include "gui/analysis/info_dialog.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QPushButton>

#include "gui/app/dialog_units.h"

namespace tarvolen {

CInfoDialog::CInfoDialog(QWidget* parent) : QDialog(parent, kFixedDialogFlags) {
    setWindowTitle(QStringLiteral("Info"));
    const DialogUnits units = DialogUnits::FixDialog(this, 370, 257);

    view_ = new QPlainTextEdit(this);
    view_->setObjectName(QStringLiteral("infoText"));
    view_->setReadOnly(true);
    view_->setLineWrapMode(QPlainTextEdit::NoWrap);
    view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Columns of figures line up in a fixed-pitch font.
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    view_->setFont(fixed);
    view_->setTabStopDistance(QFontMetrics(fixed).horizontalAdvance(QLatin1Char(' ')) * 8);
    view_->setTabChangesFocus(true);
    units.Place(view_, 7, 7, 290, 243);

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("okButton"));
    ok_->setDefault(true);
    units.Place(ok_, 313, 7, 50, 14);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
}

void CInfoDialog::SetText(const QString& text) {
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    view_->setPlainText(lines);
}

QString CInfoDialog::Text() const {
    return view_->toPlainText();
}

QString CInfoDialog::DecodeText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace tarvolen
