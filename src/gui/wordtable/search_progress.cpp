#include "gui/wordtable/search_progress.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "gui/wordtable/word_list_model.h"

namespace tarvolen {

namespace {

// A search that ends sooner shows nothing of itself.
constexpr qint64 kShownAfterMilliseconds = 300;

}  // namespace

CSearchProgress::CSearchProgress(CWordListModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    text_ = new QLabel(this);
    stop_ = new QPushButton(QStringLiteral("Sto&p"), this);
    stop_->setAutoDefault(false);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(text_, 1);
    layout->addWidget(stop_);
    hide();
    connect(stop_, &QPushButton::clicked, this, [this] { model_.StopSearch(); });
    connect(&model_, &CWordListModel::SearchStateChanged, this, &CSearchProgress::Update);
}

void CSearchProgress::Update() {
    if (model_.SearchStopped()) {
        running_.invalidate();
        text_->setText(QStringLiteral("Search stopped at %1 %: the rows shown are those "
                                      "found before it.")
                           .arg(model_.SearchPercent()));
        stop_->hide();
        show();
        return;
    }
    if (!model_.SearchRunning()) {
        running_.invalidate();
        hide();
        return;
    }
    if (!running_.isValid())
        running_.start();
    if (running_.elapsed() < kShownAfterMilliseconds)
        return;
    text_->setText(QStringLiteral("Searching the words: %1 %").arg(model_.SearchPercent()));
    stop_->show();
    show();
}

}  // namespace tarvolen
