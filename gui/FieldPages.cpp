#include "gui/FieldPages.h"

#include "gui/ControlNames.h"
#include "gui/Layout.h"
#include "gui/clsTextbox.h"
#include "schema/Configuration.h"
#include "session/EditSession.h"

#include <QApplication>
#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QTabBar>
#include <QToolButton>

#include <algorithm>

namespace {

using Layout::Px;
using Layout::PxBetween;

// What the label column leaves between the widest label and the fields.
constexpr int kLabelGap = 8;
// What the note under a disabled field leaves below it, so that the next row does not touch it.
constexpr int kNoteGap = 4;

// A warning sign that needs no image file: a red disc with a white "!", `size` pixels square.
QIcon DrawInvalidIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 16.0, size / 16.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xd0, 0, 0));
    painter.drawEllipse(QRectF(1, 1, 14, 14));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(7, 3.5, 2, 6), 1, 1);
    painter.drawEllipse(QRectF(7, 10.5, 2, 2));
    return QIcon(pixmap);
}

}  // namespace

FieldPages::FieldPages(FieldMaker makeField, QWidget* parent)
    : QWidget(parent), mMakeField(std::move(makeField)) {
    mCategories = new QTabBar(this);
    mCategories->setObjectName(QStringLiteral("Categories"));
    mCategories->setExpanding(false);
    mCategories->setFocusPolicy(Qt::StrongFocus);
    mCategories->setFixedHeight(Px(Layout::kTabsHeight));
    QSizePolicy keepsRoom = mCategories->sizePolicy();
    keepsRoom.setRetainSizeWhenHidden(true);
    mCategories->setSizePolicy(keepsRoom);
    connect(mCategories, &QTabBar::currentChanged, this, &FieldPages::ShowSelectedPage);
    const auto addGroupSwitch = [this](std::initializer_list<QKeySequence> keys, int step) {
        auto* shortcut = new QShortcut(this);
        shortcut->setKeys(keys);
        connect(shortcut, &QShortcut::activated, this, [this, step] { SwitchGroup(step); });
    };
    addGroupSwitch(
        {QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)}, 1);
    addGroupSwitch({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
                    QKeySequence(Qt::CTRL | Qt::Key_PageUp)},
                   -1);

    mPageArea = new QScrollArea(this);
    mPageArea->setObjectName(QStringLiteral("Pages"));
    mPageArea->setFrameShape(QFrame::NoFrame);
    mPageArea->setFocusPolicy(Qt::NoFocus);
    mPageArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    mPageArea->setWidgetResizable(true);
    // The pages built lie on one shelf, all hidden but the one shown, which alone takes room: the
    // scroll area scrolls as far as the page shown is long.
    mShelf = new QWidget;
    mShelfLayout = new QVBoxLayout(mShelf);
    mShelfLayout->setContentsMargins(0, 0, 0, 0);
    mShelfLayout->setSpacing(0);
    mPageArea->setWidget(mShelf);

    mGroupList = new QToolButton(this);
    mGroupList->setObjectName(QStringLiteral("GroupList"));
    mGroupList->setText(tr("Groups"));
    mGroupList->setToolTip(tr("Every group (Ctrl+G)"));
    mGroupList->setAccessibleName(tr("Groups"));
    mGroupList->setPopupMode(QToolButton::InstantPopup);
    mGroupList->setFixedHeight(Px(Layout::kTabsHeight));
    mGroupList->setMenu(new QMenu(mGroupList));
    mGroupList->menu()->setObjectName(QStringLiteral("GroupListMenu"));
    mGroupList->hide();
    auto* goToGroup = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_G), this);
    connect(goToGroup, &QShortcut::activated, this, &FieldPages::OpenGroupList);

    auto* tabRow = new QHBoxLayout;
    tabRow->setSpacing(0);
    tabRow->addWidget(mCategories, 1);
    tabRow->addWidget(mGroupList);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(tabRow);
    column->addWidget(mPageArea, 1);

    // A field that gets the focus by Tab, a click or a search is shown whole.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now != nullptr && mShelf->isAncestorOf(now)) {
            KeepInView(now);
        }
    });
}

FieldPages::~FieldPages() {
    // The fields are going, and with them the focus: nothing is to be scrolled any more.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
}

void FieldPages::AddGroup(const ConfigGroup& group) {
    {
        // The first tab added selects itself; its page is shown once every group is known.
        const QSignalBlocker noSwitching(mCategories);
        mCategories->addTab(group.name);
    }
    const int index = static_cast<int>(mPages.size());
    QAction* item =
        mGroupList->menu()->addAction(QString(group.name).replace(u'&', QStringLiteral("&&")));
    connect(item, &QAction::triggered, this, [this, index] { SelectGroup(index); });
    mPages.push_back({&group, nullptr, {}, {}, {}, {}, {}});
    if (!mLabelWidths) {
        QFont bold = QApplication::font("QLabel");
        bold.setBold(true);
        mLabelWidths.emplace(bold);
    }
    // The blank before "(required)" is as wide as the space between them (AddLabel).
    const QString required = u' ' + tr("(required)");
    for (const ConfigItem& item : group.items) {
        mWidestLabel =
            std::max(mWidestLabel, item.rules.required
                                       ? mLabelWidths->Width(item.label.toString() + required)
                                       : mLabelWidths->Width(item.label));
    }
    KeepWidth(FieldLeft() + Px(Layout::kFieldWidth) + Px(Layout::kPageMargin));
    ShowGroupListWhenNeeded();
}

int FieldPages::FieldLeft() const {
    return std::max(Px(Layout::kFieldLeft), Px(Layout::kLabelLeft) + mWidestLabel + kLabelGap);
}

int FieldPages::SelectedGroup() const {
    return mCategories->currentIndex();
}

void FieldPages::SelectGroup(int group) {
    if (group >= 0 && group < mCategories->count() && mCategories->isTabVisible(group)) {
        mCategories->setCurrentIndex(group);
    }
}

void FieldPages::OpenGroupList() {
    QMenu* list = mGroupList->menu();
    const QList<QAction*> items = list->actions();
    for (int group = 0; group < items.size(); ++group) {
        items[group]->setVisible(mCategories->isTabVisible(group));
    }
    QWidget* under = mGroupList->isVisible() ? static_cast<QWidget*>(mGroupList) : mCategories;
    list->popup(under->mapToGlobal(QPoint(0, under->height())));
    list->setActiveAction(items.value(mCategories->currentIndex()));
}

void FieldPages::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ShowGroupListWhenNeeded();
}

void FieldPages::ShowGroupListWhenNeeded() {
    mGroupList->setVisible(mCategories->count() > 1 && mCategories->sizeHint().width() > width());
}

void FieldPages::SetControlsAfterFields(QWidget* first, QWidget* second) {
    mAfterFields[0] = first;
    mAfterFields[1] = second;
    setTabOrder(mCategories, first);
    setTabOrder(first, second);
}

void FieldPages::ShowSelectedPage() {
    const int selected = mCategories->currentIndex();
    if (selected < 0) {
        return;
    }
    Page& page = mPages[static_cast<std::size_t>(selected)];
    if (!page.widget) {
        BuildPage(page);
    } else {
        ShowRows(static_cast<std::size_t>(selected));
    }
    if (mShown >= 0 && mShown != selected) {
        mPages[static_cast<std::size_t>(mShown)].widget->hide();
    }
    mShown = selected;
    page.widget->show();
    mPageArea->verticalScrollBar()->setValue(0);
}

void FieldPages::BuildPage(Page& page) {
    page.widget = new QWidget(mShelf);
    page.widget->hide();
    auto* rows = new QGridLayout(page.widget);
    // At the design size the page lies below the tab row, at its designed top, and its rows and
    // columns are where the window was designed to have them.
    rows->setContentsMargins(Px(Layout::kLabelLeft), PxBetween(Layout::kPageTop, Layout::RowTop(0)),
                             Px(Layout::kPageMargin), 0);
    rows->setSpacing(0);
    rows->setColumnMinimumWidth(0, FieldLeft() - Px(Layout::kLabelLeft));
    rows->setColumnMinimumWidth(1, Px(Layout::kFieldWidth));
    rows->setColumnStretch(1, 1);
    int row = 0;
    for (const ConfigItem& item : page.group->items) {
        QLabel* label = AddLabel(item, page, rows, row);
        clsTextbox* field = mMakeField(item, page.widget, label);
        field->Control()->setFixedHeight(Px(Layout::kRowHeight));
        label->setBuddy(field->Control());
        rows->setRowMinimumHeight(row, PxBetween(Layout::RowTop(row), Layout::RowTop(row + 1)));
        // The note of a disabled field goes under it, wrapped to the field's width: a long note
        // beside it would take the field's room. Its row grows while the note is shown.
        auto* note = new QLabel(page.widget);
        note->setObjectName(label->objectName() + QStringLiteral("Disabled"));
        note->setForegroundRole(QPalette::PlaceholderText);
        note->setTextFormat(Qt::PlainText);
        note->setWordWrap(true);
        note->setContentsMargins(0, 0, 0, kNoteGap);
        note->hide();
        auto* fieldAndNote = new QVBoxLayout;
        fieldAndNote->setSpacing(0);
        fieldAndNote->addWidget(field->Control());
        fieldAndNote->addWidget(note);
        rows->addLayout(fieldAndNote, row, 1, Qt::AlignTop);
        page.disabledNotes.push_back(note);
        page.fields.push_back(field);
        page.labels.push_back(label);
        ++row;
    }
    page.rowShown.assign(page.fields.size(), true);
    // The rows keep their height on a page taller than they are.
    rows->setRowStretch(row, 1);
    mShelfLayout->addWidget(page.widget);
    // A field whose control asks for more room than designed (a list of long options) widens
    // the page, and with it the window's smallest width.
    KeepWidth(rows->minimumSize().width());
    ShowRows(static_cast<std::size_t>(&page - mPages.data()));
    // A widget made now joins the keyboard order at its end, behind the controls that follow the
    // fields. Moving those behind the page's last field, rather than each field before them,
    // takes two moves a page: every move walks the whole chain.
    if (!page.fields.empty() && mAfterFields[0]) {
        setTabOrder(page.fields.back()->Control(), mAfterFields[0]);
        setTabOrder(mAfterFields[0], mAfterFields[1]);
    }
    emit PageBuilt(static_cast<int>(&page - mPages.data()));
}

QLabel* FieldPages::AddLabel(const ConfigItem& item, Page& page, QGridLayout* rows, int row) {
    // A label with a buddy reads "&" as the mark of a shortcut key; these labels have none.
    auto* label =
        new QLabel(item.label.toString().replace(u'&', QStringLiteral("&&")), page.widget);
    label->setObjectName(LabelControlName(item.id));
    label->setFixedHeight(Px(Layout::kRowHeight));
    QLabel* mark = nullptr;
    if (item.rules.required) {
        mark = new QLabel(tr("(required)"), page.widget);
        mark->setObjectName(label->objectName() + QStringLiteral("Required"));
        mark->setFixedHeight(Px(Layout::kRowHeight));
        mark->setForegroundRole(QPalette::PlaceholderText);  // lighter than the label
        mark->setToolTip(tr("This value must not be empty."));
        auto* both = new QHBoxLayout;
        both->setSpacing(label->fontMetrics().horizontalAdvance(u' '));
        both->addWidget(label);
        both->addWidget(mark);
        both->addStretch(1);
        rows->addLayout(both, row, 0, Qt::AlignTop);
    } else {
        rows->addWidget(label, row, 0, Qt::AlignTop);
    }
    page.requiredMarks.push_back(mark);
    return label;
}

void FieldPages::KeepWidth(int pageWidth) {
    mPageArea->setMinimumWidth(std::max(mPageArea->minimumWidth(), pageWidth + ScrollBarExtent()));
}

int FieldPages::ScrollBarExtent() const {
    return mPageArea->verticalScrollBar()->sizeHint().width();
}

void FieldPages::ShowField(int group, int item) {
    const auto groupIndex = static_cast<std::size_t>(group);
    if (!IsShown(groupIndex, static_cast<std::size_t>(item))) {
        // The field asked for is shown whatever the filter; the filter's next change decides.
        mShownFields[groupIndex][static_cast<std::size_t>(item)] = true;
        mCategories->setTabVisible(group, true);
        if (mPages[groupIndex].widget) {
            ShowRows(groupIndex);
        }
    }
    mCategories->setCurrentIndex(group);
    QWidget* control =
        mPages[static_cast<std::size_t>(group)].fields[static_cast<std::size_t>(item)]->Control();
    control->setFocus(Qt::OtherFocusReason);
    KeepInView(control);
}

void FieldPages::ShowOnlyFields(const std::vector<std::vector<bool>>& shown) {
    mShownFields = shown;
    int firstShown = -1;
    for (std::size_t group = 0; group < mPages.size(); ++group) {
        bool any = mShownFields.empty();
        for (std::size_t item = 0; !any && item < mPages[group].group->items.size(); ++item) {
            any = IsShown(group, item);
        }
        const int tab = static_cast<int>(group);
        if (mCategories->isTabVisible(tab) != any) {
            mCategories->setTabVisible(tab, any);
        }
        if (any && firstShown < 0) {
            firstShown = tab;
        }
    }
    // The rows of another page are shown or hidden when it is shown: a key typed in the search
    // box costs the rows of one page, not of every page built.
    if (mShown >= 0) {
        ShowRows(static_cast<std::size_t>(mShown));
    }
    // A tab strip without a tab would still draw its scroll buttons; it keeps its room.
    mCategories->setVisible(firstShown >= 0);
    if (firstShown < 0) {
        // Nothing to show: no page, and the search box says that nothing matches.
        if (mShown >= 0) {
            mPages[static_cast<std::size_t>(mShown)].widget->hide();
        }
    } else if (!mCategories->isTabVisible(mCategories->currentIndex())) {
        mCategories->setCurrentIndex(firstShown);
    } else if (mShown >= 0 && mPages[static_cast<std::size_t>(mShown)].widget->isHidden()) {
        ShowSelectedPage();  // back from nothing to show
    }
}

bool FieldPages::IsShown(std::size_t group, std::size_t item) const {
    return mShownFields.empty() || mShownFields[group][item];
}

void FieldPages::ShowRows(std::size_t group) {
    Page& page = mPages[group];
    auto* rows = static_cast<QGridLayout*>(page.widget->layout());
    for (std::size_t row = 0; row < page.fields.size(); ++row) {
        const bool shown = IsShown(group, row);
        if (page.rowShown[row] == shown) {
            continue;
        }
        page.rowShown[row] = shown;
        page.labels[row]->setVisible(shown);
        page.fields[row]->Control()->setVisible(shown);
        if (QLabel* mark = page.requiredMarks[row]) {
            mark->setVisible(shown && page.fields[row]->IsEnabled());
        }
        page.disabledNotes[row]->setVisible(shown && !page.fields[row]->IsEnabled());
        // A hidden row takes no room: the rows shown close up.
        const int top = static_cast<int>(row);
        rows->setRowMinimumHeight(
            top, shown ? PxBetween(Layout::RowTop(top), Layout::RowTop(top + 1)) : 0);
    }
}

void FieldPages::KeepInView(QWidget* control) {
    // A page just shown is laid out by requests still in the event queue: they are handled now,
    // so that the control is where it will be seen.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    mPageArea->ensureWidgetVisible(control);
}

void FieldPages::SwitchGroup(int step) {
    const int count = mCategories->count();
    int group = mCategories->currentIndex();
    // The tabs that ShowOnlyFields hid are passed over.
    for (int tried = 1; tried < count; ++tried) {
        group = (group + step + count) % count;
        if (!mCategories->isTabVisible(group)) {
            continue;
        }
        mCategories->setCurrentIndex(group);
        const std::vector<ConfigItem>& items = mPages[static_cast<std::size_t>(group)].group->items;
        for (std::size_t item = 0; item < items.size(); ++item) {
            if (IsShown(static_cast<std::size_t>(group), item)) {
                ShowField(group, static_cast<int>(item));
                break;
            }
        }
        return;
    }
}

clsTextbox* FieldPages::FocusedField() const {
    const QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr || mShown < 0) {
        return nullptr;
    }
    for (clsTextbox* field : mPages[static_cast<std::size_t>(mShown)].fields) {
        if (field->Control() == focus || field->Control()->isAncestorOf(focus)) {
            return field;
        }
    }
    return nullptr;
}

clsTextbox* FieldPages::BuiltField(int group, int item) const {
    const Page& page = mPages[static_cast<std::size_t>(group)];
    return page.widget ? page.fields[static_cast<std::size_t>(item)] : nullptr;
}

void FieldPages::ShowInvalidCount(int group, int count) {
    if (count > 0 && mInvalidIcon.isNull()) {
        mInvalidIcon = DrawInvalidIcon(style()->pixelMetric(QStyle::PM_SmallIconSize));
    }
    mCategories->setTabIcon(group, count > 0 ? mInvalidIcon : QIcon());
    mCategories->setTabToolTip(
        group,
        count > 0 ? tr("%n value(s) on this page are not valid.", nullptr, count) : QString());
}

void FieldPages::ShowItemState(int group, int item, const ItemState& state) {
    const Page& page = mPages[static_cast<std::size_t>(group)];
    if (!page.widget) {
        return;
    }
    const auto index = static_cast<std::size_t>(item);
    page.fields[index]->ShowState(state);
    // A value that is not checked is not required either.
    if (QLabel* mark = page.requiredMarks[index]) {
        mark->setVisible(state.enabled && page.rowShown[index]);
    }
    QLabel* note = page.disabledNotes[index];
    note->setText(state.enabled ? QString()
                                : clsTextbox::tr("Enabled while %1.").arg(state.enabledWhen));
    note->setVisible(!state.enabled && page.rowShown[index]);
}
