#pragma once

#include "gui/LabelWidths.h"

#include <QIcon>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QGridLayout;
class QLabel;
class QScrollArea;
class QTabBar;
class QToolButton;
class QVBoxLayout;
class clsTextbox;
struct ConfigGroup;
struct ConfigItem;
struct ItemState;

// The pages of the main window: the tab strip "Categories", a tab per group of the configuration,
// and below it the scroll area "Pages", which shows the page of the selected group. A page has a
// row per item: its label "lbl<bare name>" and its field "e<bare name>" beside it. At the window's
// design size every row is where it was designed (Layout.h). The labels of every page share one
// column, as wide as the widest label of the configuration in bold, so that neither switching
// pages nor an edited field's bold label moves a field; the fields reach to the page's right
// margin, and never get narrower than designed. A page is built when it is first shown, so that
// the window opens as fast with thousands of fields as with a few. The field that gets the focus
// is scrolled into view.
//
// A label is its field's buddy, which screen readers read as "labelled by"; a required item's
// label is followed by a lighter "(required)", left out while its field is disabled
// (ShowItemState: a value that is not checked is not required). A group's tab shows a warning
// icon, and says in its tooltip (a screen reader's description of the tab) how many values on its
// page are not valid, while any is; its text stays the group's name.
class FieldPages : public QWidget {
    Q_OBJECT
  public:
    // Makes the field of `item` on `page`, beside its `label`, and returns it; the caller keeps
    // it for as long as the pages live.
    using FieldMaker =
        std::function<clsTextbox*(const ConfigItem& item, QWidget* page, QLabel* label)>;

    explicit FieldPages(FieldMaker makeField, QWidget* parent = nullptr);
    ~FieldPages() override;

    // Adds the tab of `group`, which must outlive the pages, and makes room for its labels in the
    // label column. REQUIRES: no page has been shown yet.
    void AddGroup(const ConfigGroup& group);
    // Shows the page of the tab selected, built first if it is shown for the first time. Selecting
    // another tab shows its page.
    void ShowSelectedPage();
    // The index of the group whose tab is selected, or -1; selects the tab of the group at
    // `group`, which shows its page.
    int SelectedGroup() const;
    void SelectGroup(int group);
    // Opens the list of every group (Ctrl+G): the way to a group whose tab does not fit. Its
    // button beside the tabs is shown only while they do not all fit.
    void OpenGroupList();
    // The keyboard reaches `first` and then `second` after the fields of the page shown.
    void SetControlsAfterFields(QWidget* first, QWidget* second);

    // Shows the page of the group at `group` and focuses its item at `item`, scrolled into view,
    // also when ShowOnlyFields left it out.
    void ShowField(int group, int item);
    // Shows only the rows of the items that `shown` holds true (by the index of the group, then of
    // the item, in the configuration) and the tabs of the groups that keep a row; where the page
    // shown keeps none, the first group that keeps one is shown. Empty shows every row and tab.
    // Any other page, one not built yet too, shows only those rows when it is next shown.
    void ShowOnlyFields(const std::vector<std::vector<bool>>& shown);
    // The field that has the focus, or null.
    clsTextbox* FocusedField() const;
    // The field of the item at `item` of the group at `group`, or null while its page is not
    // built.
    clsTextbox* BuiltField(int group, int item) const;

    // Marks the tab of the group at `group` as holding `count` values that are not valid, or
    // none. Works for pages not built yet.
    void ShowInvalidCount(int group, int count);
    // Shows `state` in the field of the item at `item` of the group at `group` (clsTextbox::
    // ShowState); while it is disabled, a note under the field says what would enable it. Does
    // nothing while the page is not built: PageBuilt() says when it is.
    void ShowItemState(int group, int item, const ItemState& state);

  signals:
    // The page of the group at `group` has just been built, every field enabled.
    void PageBuilt(int group);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    // Shows the button of the list of groups while the tabs do not all fit.
    void ShowGroupListWhenNeeded();
    // A group's page: built when first shown, with a field per item of the group.
    struct Page {
        const ConfigGroup* group;
        QWidget* widget = nullptr;
        std::vector<clsTextbox*> fields;
        std::vector<QLabel*> labels;         // by row, as the fields
        std::vector<bool> rowShown;          // by row: false for a row that ShowOnlyFields hid
        std::vector<QLabel*> requiredMarks;  // by item; null for an item that is not required
        std::vector<QLabel*> disabledNotes;  // by item: what enables it, shown while disabled
    };

    // Where the fields start on every page, in pixels from the page's left edge.
    int FieldLeft() const;
    void BuildPage(Page& page);
    // Shows the rows of `page` that ShowOnlyFields keeps, and hides the others.
    void ShowRows(std::size_t group);
    // Whether ShowOnlyFields keeps the row `item` of the group `group`.
    bool IsShown(std::size_t group, std::size_t item) const;
    // Selects the group `step` tabs on, round the ends, and focuses its first field (Ctrl+Tab,
    // Ctrl+Shift+Tab and Ctrl+PgDown, Ctrl+PgUp).
    void SwitchGroup(int step);
    // Keeps the fields at least as wide as designed: no page is narrower than `pageWidth`.
    void KeepWidth(int pageWidth);
    // Puts the label of `item`, and its "(required)" after it, in the label column at `row`.
    QLabel* AddLabel(const ConfigItem& item, Page& page, QGridLayout* rows, int row);
    // Scrolls the page shown so that `control` is in view.
    void KeepInView(QWidget* control);
    int ScrollBarExtent() const;

    FieldMaker mMakeField;
    QTabBar* mCategories;
    QToolButton* mGroupList;  // the list of every group
    QScrollArea* mPageArea;
    QWidget* mShelf;  // the scroll area's widget: holds every page built, and shows one
    QVBoxLayout* mShelfLayout;
    std::vector<Page> mPages;  // by tab index, which is the group's in the configuration
    int mShown = -1;           // the tab index of the page shown
    std::optional<LabelWidths> mLabelWidths;  // in the labels' font, bold
    int mWidestLabel = 0;
    QWidget* mAfterFields[2] = {nullptr, nullptr};
    std::vector<std::vector<bool>> mShownFields;  // as ShowOnlyFields was given it
    QIcon mInvalidIcon;                           // drawn when first needed
};
