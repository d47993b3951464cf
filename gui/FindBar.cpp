#include "gui/FindBar.h"

#include "schema/Configuration.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>

FindBar::FindBar(const Configuration& config, QWidget* parent) : QWidget(parent), mConfig(config) {
    setObjectName(QStringLiteral("FindBar"));
    hide();
}

void FindBar::MakeControls() {
    mText = new QLineEdit(this);
    mText->setObjectName(QStringLiteral("FindText"));
    mText->setPlaceholderText(tr("Find"));
    mText->setAccessibleName(tr("Find"));
    mText->setClearButtonEnabled(true);
    mResult = new QLabel(this);
    mResult->setObjectName(QStringLiteral("FindResult"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(mText, 1);
    row->addWidget(mResult);
    connect(mText, &QLineEdit::textChanged, this, &FindBar::Search);
    connect(mText, &QLineEdit::returnPressed, this, [this] { Step(1); });
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    close->setContext(Qt::WidgetWithChildrenShortcut);
    connect(close, &QShortcut::activated, this, &QWidget::hide);
}

void FindBar::Open() {
    if (!mText) {
        MakeControls();
    }
    show();
    mText->setFocus(Qt::ShortcutFocusReason);
    mText->selectAll();
}

void FindBar::Step(int step) {
    if (mMatches.empty()) {
        return;
    }
    const int count = static_cast<int>(mMatches.size());
    mCurrent = mCurrent < 0 ? (step > 0 ? 0 : count - 1) : (mCurrent + step + count) % count;
    ShowResult();
    const Match& match = mMatches[static_cast<std::size_t>(mCurrent)];
    emit Found(match.group, match.item);
}

void FindBar::Search(const QString& text) {
    mMatches.clear();
    mCurrent = -1;
    const QString wanted = text.trimmed();
    if (!wanted.isEmpty()) {
        const std::vector<ConfigGroup>& groups = mConfig.Groups();
        for (std::size_t group = 0; group < groups.size(); ++group) {
            const std::vector<ConfigItem>& items = groups[group].items;
            for (std::size_t item = 0; item < items.size(); ++item) {
                const ConfigItem& it = items[item];
                if (it.label.contains(wanted, Qt::CaseInsensitive) ||
                    it.id.contains(wanted, Qt::CaseInsensitive) ||
                    it.rules.help.contains(wanted, Qt::CaseInsensitive)) {
                    mMatches.push_back({static_cast<int>(group), static_cast<int>(item)});
                }
            }
        }
    }
    ShowResult();
}

void FindBar::ShowResult() {
    const bool none = mMatches.empty() && !mText->text().trimmed().isEmpty();
    // The frame tells at a glance, the text tells a screen reader too.
    mText->setStyleSheet(none ? QStringLiteral("QLineEdit { border: 2px solid #d00000; }")
                              : QString());
    const int count = static_cast<int>(mMatches.size());
    if (none) {
        mResult->setText(tr("No match"));
    } else if (count == 0) {
        mResult->clear();
    } else if (mCurrent < 0) {
        mResult->setText(count == 1 ? tr("1 match") : tr("%1 matches").arg(count));
    } else {
        mResult->setText(tr("%1 of %2").arg(mCurrent + 1).arg(count));
    }
    mText->setAccessibleDescription(mResult->text());
}
