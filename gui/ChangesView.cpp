#include "gui/ChangesView.h"

#include "gui/WarningsReport.h"
#include "run/Messages.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The notes stay a few lines above the diff.
constexpr int kListedWarnings = 10;

}  // namespace

ChangesView::ChangesView(const SavePreview& preview, const QByteArray& diff, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("ChangesView"));
    setWindowTitle(tr("Show Changes"));

    // What the save would warn about: the $(NAME)s it would leave in the outputs, and values that
    // no item declares.
    QStringList notes = preview.result.problems +
                        WarningsReport::FirstLines(preview.result.warnings, kListedWarnings) +
                        preview.unshown;
    if (preview.masked) {
        notes.append(Messages::PasswordsMasked());
    }
    if (preview.changed.isEmpty()) {
        notes.append(tr("Saving would change no file."));
    }
    auto* note = new QLabel(notes.join(u'\n'), this);
    note->setObjectName(QStringLiteral("ChangesNote"));
    note->setTextFormat(Qt::PlainText);  // paths and messages are shown as they are
    note->setWordWrap(true);
    note->setTextInteractionFlags(Qt::TextSelectableByMouse);
    note->setVisible(!notes.isEmpty());

    auto* text = new QPlainTextEdit(this);
    text->setObjectName(QStringLiteral("Changes"));
    text->setAccessibleName(tr("Changes a save would make"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);  // a diff's columns mean something
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text->setPlainText(QString::fromLocal8Bit(diff));
    text->setVisible(!diff.isEmpty());

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* save = buttons->addButton(tr("&Save"), QDialogButtonBox::AcceptRole);
    save->setObjectName(QStringLiteral("ChangesSave"));
    QPushButton* close = buttons->addButton(tr("&Close"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("ChangesClose"));
    // Enter after reading closes the view; saving takes a deliberate click.
    save->setAutoDefault(false);
    close->setDefault(true);
    connect(save, &QPushButton::clicked, this, &ChangesView::SaveRequested);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addWidget(text, 1);
    layout->addWidget(buttons);
    // Wide enough for the title, also around one line.
    setMinimumWidth(fontMetrics().averageCharWidth() * 48);
    if (!diff.isEmpty()) {
        // Room for 100 columns and 30 lines of the diff.
        const QFontMetrics metrics(text->font());
        resize(metrics.horizontalAdvance(u'0') * 100, metrics.lineSpacing() * 30);
    }
}
