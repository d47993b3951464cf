#include "gui/FindBar.h"

#include "session/EditSession.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QToolButton>

FindBar::FindBar(const EditSession& session, QWidget* parent) : QWidget(parent), mSession(session) {
    setObjectName(QStringLiteral("FindBar"));
    hide();
    mOnlyMatches = MakeFilter("indOnlyMatches", tr("Show Only &Matches"), tr("Only matches"),
                              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    mOnlyEdited = MakeFilter("indOnlyEdited", tr("Show Only &Edited"), tr("Only edited"),
                             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M));
    mOnlyNotDefault =
        MakeFilter("indOnlyNotDefault", tr("Show Only &Not Default"), tr("Only not default"),
                   QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
}

QAction* FindBar::MakeFilter(const char* name, const QString& caption, const QString& buttonText,
                             const QKeySequence& shortcut) {
    auto* filter = new QAction(caption, this);
    filter->setObjectName(QLatin1String(name));
    filter->setIconText(buttonText);
    filter->setToolTip(QStringLiteral("%1 (%2)").arg(QString(caption).remove(u'&'),
                                                     shortcut.toString(QKeySequence::NativeText)));
    filter->setShortcut(shortcut);
    filter->setCheckable(true);
    connect(filter, &QAction::toggled, this, [this](bool on) {
        // A filter that is on is shown, and so is the way to turn it off.
        if (on && !isVisible()) {
            Open();
        }
        Search(mText->text());
    });
    return filter;
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
    for (QAction* filter : {mOnlyMatches, mOnlyEdited, mOnlyNotDefault}) {
        auto* toggle = new QToolButton(this);
        toggle->setObjectName(filter->objectName().mid(3));  // "OnlyMatches", "OnlyEdited", ...
        toggle->setDefaultAction(filter);
        row->addWidget(toggle);
    }
    connect(mText, &QLineEdit::textChanged, this, &FindBar::Search);
    connect(mText, &QLineEdit::returnPressed, this, [this] { Step(1); });
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    close->setContext(Qt::WidgetWithChildrenShortcut);
    connect(close, &QShortcut::activated, this, &FindBar::Close);
}

void FindBar::Close() {
    {
        const QSignalBlocker quietly(mOnlyMatches), quietlyToo(mOnlyEdited),
            quietlyAlso(mOnlyNotDefault);
        mOnlyMatches->setChecked(false);
        mOnlyEdited->setChecked(false);
        mOnlyNotDefault->setChecked(false);
    }
    Search(mText->text());
    hide();
}

void FindBar::Refilter() {
    // Before the box was first opened no filter can be on, and nothing has been searched.
    if (mText) {
        Search(mText->text());
    }
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

bool FindBar::Kept(const ConfigItem& item) const {
    return (!mOnlyEdited->isChecked() || mSession.IsEdited(item.id)) &&
           (!mOnlyNotDefault->isChecked() || mSession.IsNotDefault(item.id));
}

void FindBar::Search(const QString& text) {
    mMatches.clear();
    mCurrent = -1;
    const QString wanted = text.trimmed();
    const bool onlyChanged = mOnlyEdited->isChecked() || mOnlyNotDefault->isChecked();
    const bool onlyMatches = mOnlyMatches->isChecked() && !wanted.isEmpty();
    const bool filtering = onlyChanged || onlyMatches;
    std::vector<std::vector<bool>> shown;
    if (!wanted.isEmpty() || filtering) {
        const std::vector<ConfigGroup>& groups = mSession.Config().Groups();
        for (std::size_t group = 0; group < groups.size(); ++group) {
            const std::vector<ConfigItem>& items = groups[group].items;
            if (filtering) {
                shown.emplace_back(items.size(), false);
            }
            for (std::size_t item = 0; item < items.size(); ++item) {
                const ConfigItem& it = items[item];
                if (onlyChanged && !Kept(it)) {
                    continue;
                }
                const bool match = wanted.isEmpty() ||
                                   it.label.contains(wanted, Qt::CaseInsensitive) ||
                                   it.id.contains(wanted, Qt::CaseInsensitive) ||
                                   it.rules.help.contains(wanted, Qt::CaseInsensitive);
                if (match) {
                    mMatches.push_back({static_cast<int>(group), static_cast<int>(item)});
                }
                if (filtering) {
                    shown[group][item] = match || !onlyMatches;
                }
            }
        }
    }
    ShowResult();
    // Every field is shown again once, when the last filter goes.
    if (filtering || mFiltering) {
        mFiltering = filtering;
        emit ShowOnly(shown);
    }
}

void FindBar::ShowResult() {
    const bool none =
        mMatches.empty() && (!mText->text().trimmed().isEmpty() || mOnlyEdited->isChecked() ||
                             mOnlyNotDefault->isChecked());
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
