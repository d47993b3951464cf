#include "gui/ChangesView.h"

#include "gui/WarningsReport.h"
#include "run/Messages.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The notes stay a few lines above the diff.
constexpr int kListedWarnings = 10;

}  // namespace

ChangesView::ChangesView(const SavePreview& preview, const QByteArray& diff,
                         const QStringList& invalid, const std::vector<ChangedValue>& values,
                         QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("ChangesView"));
    setWindowTitle(tr("Show Changes"));

    auto* invalidNote = new QLabel(this);
    invalidNote->setObjectName(QStringLiteral("ChangesInvalid"));
    invalidNote->setTextFormat(Qt::PlainText);
    invalidNote->setWordWrap(true);
    invalidNote->setText(tr("These values are not valid; nothing can be saved until they are "
                            "fixed:") +
                         u'\n' + WarningsReport::FirstLines(invalid, kListedWarnings).join(u'\n'));
    invalidNote->setStyleSheet(QStringLiteral("QLabel { color: #b00000; }"));
    invalidNote->setVisible(!invalid.isEmpty());

    auto* table = new QTableWidget(static_cast<int>(values.size()), 3, this);
    table->setObjectName(QStringLiteral("ChangedValues"));
    table->setAccessibleName(tr("Values edited since the save"));
    table->setHorizontalHeaderLabels({tr("Group"), tr("Setting"), tr("Old \u2192 new")});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->horizontalHeader()->setStretchLastSection(true);
    for (std::size_t row = 0; row < values.size(); ++row) {
        const ChangedValue& value = values[row];
        const QString change = tr("%1 \u2192 %2").arg(value.before, value.after);
        int column = 0;
        for (const QString& text : {value.group, value.label, change}) {
            table->setItem(static_cast<int>(row), column++, new QTableWidgetItem(text));
        }
    }
    table->resizeColumnsToContents();
    // As tall as its rows, up to eight of them: the diff below takes the rest.
    const int shownRows = std::min(static_cast<int>(values.size()), 8);
    table->setFixedHeight(table->horizontalHeader()->sizeHint().height() +
                          shownRows * table->verticalHeader()->defaultSectionSize() +
                          2 * table->frameWidth());
    table->setVisible(!values.empty());

    auto* files = new QLabel(this);
    files->setObjectName(QStringLiteral("ChangedFiles"));
    files->setTextFormat(Qt::PlainText);
    files->setTextInteractionFlags(Qt::TextSelectableByMouse);
    files->setText(preview.changed.isEmpty()
                       ? tr("Saving would change no file.")
                       : tr("Saving would change these files:") + QStringLiteral("\n  ") +
                             preview.changed.join(QStringLiteral("\n  ")));

    // What the save would warn about: the $(NAME)s it would leave in the outputs, and values that
    // no item declares.
    QStringList notes = preview.result.problems +
                        WarningsReport::FirstLines(preview.result.warnings, kListedWarnings) +
                        preview.unshown;
    if (preview.masked) {
        notes.append(Messages::PasswordsMasked());
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
    save->setEnabled(invalid.isEmpty());
    QPushButton* close = buttons->addButton(tr("&Close"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("ChangesClose"));
    // Enter after reading closes the view; saving takes a deliberate click.
    save->setAutoDefault(false);
    close->setDefault(true);
    connect(save, &QPushButton::clicked, this, &ChangesView::SaveRequested);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(invalidNote);
    layout->addWidget(table);
    layout->addWidget(files);
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
