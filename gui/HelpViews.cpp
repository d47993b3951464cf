#include "gui/HelpViews.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

// Shows the window `name` of `window`, made with `title` and `html` the first time.
void Show(QWidget* window, const char* name, const QString& title, const QString& html) {
    auto* view = window->findChild<QDialog*>(QLatin1String(name));
    if (!view) {
        view = new QDialog(window);
        view->setObjectName(QLatin1String(name));
        view->setWindowTitle(title);
        auto* text = new QTextBrowser(view);
        text->setObjectName(QLatin1String(name) + QStringLiteral("Text"));
        text->setHtml(html);
        text->setAccessibleName(title);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, view);
        QObject::connect(buttons, &QDialogButtonBox::rejected, view, &QDialog::reject);
        auto* layout = new QVBoxLayout(view);
        layout->addWidget(text, 1);
        layout->addWidget(buttons);
        const QFontMetrics metrics(text->font());
        view->resize(metrics.averageCharWidth() * 80, metrics.lineSpacing() * 30);
    }
    view->show();
    view->raise();
    view->activateWindow();
}

// One row of the table of keys.
QString Row(const QString& keys, const QString& what) {
    return QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>")
        .arg(keys.toHtmlEscaped(), what.toHtmlEscaped());
}

}  // namespace

void HelpViews::ShowShortcuts(QWidget* window) {
    Show(window, "Shortcuts", tr("Keyboard Shortcuts"), ShortcutsText());
}

void HelpViews::ShowGuide(QWidget* window) {
    Show(window, "Guide", tr("Guide"), GuideText());
}

QString HelpViews::ShortcutsText() {
    const QString rows[] = {
        Row(tr("Ctrl+O"), tr("Open another settings file")),
        Row(tr("Ctrl+S"), tr("Save the settings and export the templates")),
        Row(tr("Ctrl+D"), tr("Show Changes: what a save would change, before anything is written")),
        Row(tr("Ctrl+F"), tr("Find a field by its label, variable or help")),
        Row(tr("F3, Shift+F3"), tr("Next and previous field found")),
        Row(tr("Ctrl+Shift+F"), tr("Show only the fields found")),
        Row(tr("Ctrl+Shift+M"), tr("Show only the edited fields (bold label)")),
        Row(tr("Ctrl+Shift+D"), tr("Show only the fields that are not at their default (italic "
                                   "label)")),
        Row(tr("Escape"), tr("Close the search box and its filters")),
        Row(tr("Ctrl+Z, Ctrl+Shift+Z"), tr("Undo and redo, over every field")),
        Row(tr("Ctrl+R"), tr("Put the saved value of the field back")),
        Row(tr("Ctrl+Shift+H"), tr("Show or hide a password")),
        Row(tr("F4"), tr("Choose a file or a folder in a dialog")),
        Row(tr("Ctrl+Tab, Ctrl+PgDown"), tr("Next group")),
        Row(tr("Ctrl+Shift+Tab, Ctrl+PgUp"), tr("Previous group")),
        Row(tr("Ctrl+G"), tr("List every group and go to one")),
        Row(tr("Tab, Shift+Tab"), tr("Next and previous field, disabled ones too")),
        Row(tr("F1"), tr("The guide")),
    };
    QString html = QStringLiteral("<table cellspacing=\"4\">");
    for (const QString& row : rows) {
        html += row;
    }
    return html + QStringLiteral("</table>");
}

QString HelpViews::GuideText() {
    const QString paragraphs[] = {
        tr("Each tab is a group of settings, each row one setting. The tooltip of a field and the "
           "status line give its help; a field whose value breaks its rules has a red frame, and "
           "its tab a warning sign."),
        tr("Two marks tell what changed. A bold label: the value was edited since the file was "
           "loaded or saved; Edit > Reset All to Saved puts those back. An italic label: the "
           "value is not the setting's default (for a setting without a default: it is not "
           "empty); Edit > Reset All to Defaults puts the defaults back. The filters Show Only "
           "Edited and Show Only Not Default show only those fields."),
        tr("Emptying the field of a setting that has a default gives it that default, which the "
           "field then shows greyed; the save stores nothing new for it."),
        tr("A field that depends on another one is read-only while that one does not allow it; "
           "the words under it say what enables it."),
        tr("File > Show Changes shows what a save would do before anything is written: the values "
           "that are not valid, the values edited, the files that would change and their patch. "
           "Saving starts the before command, writes the settings file, generates every output "
           "from its template and starts the after command; the status line then says what it "
           "did."),
        tr("File > Open reads another settings file. Values that file does not list keep what "
           "they had, as edits, and the window names them."),
        tr("The configuration is never written. ? > Keyboard Shortcuts lists every key."),
    };
    QString html;
    for (const QString& paragraph : paragraphs) {
        html += QStringLiteral("<p>%1</p>").arg(paragraph.toHtmlEscaped());
    }
    return html;
}
