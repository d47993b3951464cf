#include "gui/WarningsReport.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <utility>

namespace {

// The lines a message lists before it counts the rest.
constexpr int kListedInMessage = 20;

}  // namespace

WarningsReport::WarningsReport(Dialogs& dialogs, QWidget* window)
    : QObject(window),
      mDialogs(dialogs),
      mWindow(window),
      mConfiguration{"ConfigurationWarnings", tr("Configuration Warnings"), {}, {}, false, {}},
      mSave{"SaveWarnings", tr("Save Warnings"), {}, {}, false, {}} {}

QStringList WarningsReport::FirstLines(const QStringList& lines, int count) {
    if (lines.size() <= count) {
        return lines;
    }
    return lines.mid(0, count) << tr("... and %n more", nullptr, int(lines.size()) - count);
}

void WarningsReport::ConfigurationLoaded(const QString& configFile, const QStringList& warnings) {
    if (!warnings.isEmpty()) {
        Tell(mConfiguration,
             tr("%1 most likely misspells these; what is misspelt has no effect until it is "
                "fixed:")
                 .arg(configFile),
             warnings);
    }
}

void WarningsReport::Saved(const QStringList& warnings) {
    if (warnings.isEmpty()) {
        // What an earlier save warned about no longer holds.
        mSave.pending = false;
        if (mSave.window) {
            mSave.window->close();
        }
        return;
    }
    Tell(mSave, tr("The settings were saved and the templates exported, but:"), warnings);
}

void WarningsReport::Tell(Report& report, QString heading, const QStringList& lines) {
    report.heading = std::move(heading);
    report.lines = lines;
    report.pending = true;
    QMetaObject::invokeMethod(this, &WarningsReport::ShowPending, Qt::QueuedConnection);
}

void WarningsReport::Closing() {
    for (Report* report : {&mConfiguration, &mSave}) {
        if (report->pending) {
            report->pending = false;
            mDialogs.ShowMessage(report->heading + QStringLiteral("\n\n") +
                                     FirstLines(report->lines, kListedInMessage).join(u'\n'),
                                 Dialogs::MessageKind::Warning);
        }
    }
}

void WarningsReport::ShowPending() {
    for (Report* report : {&mConfiguration, &mSave}) {
        if (report->pending) {
            report->pending = false;
            Show(*report);
        }
    }
}

void WarningsReport::Show(Report& report) {
    if (!report.window) {
        auto* window = new QDialog(mWindow);
        window->setObjectName(QLatin1String(report.name));
        window->setWindowTitle(report.title);
        // Whoever types in the main window goes on typing there; the report waits over it.
        window->setAttribute(Qt::WA_ShowWithoutActivating);
        auto* heading = new QLabel(window);
        heading->setObjectName(QStringLiteral("WarningsHeading"));
        heading->setTextFormat(Qt::PlainText);
        heading->setWordWrap(true);
        auto* text = new QPlainTextEdit(window);
        text->setObjectName(QStringLiteral("WarningsText"));
        text->setReadOnly(true);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, window);
        connect(buttons, &QDialogButtonBox::rejected, window, &QDialog::reject);
        auto* layout = new QVBoxLayout(window);
        layout->addWidget(heading);
        layout->addWidget(text, 1);
        layout->addWidget(buttons);
        // Room for 12 lines of 90 columns, which name an output, a line and an id; a longer one
        // (a misspelling and what was meant) wraps.
        const QFontMetrics metrics(text->font());
        window->resize(metrics.averageCharWidth() * 90, metrics.lineSpacing() * 12 +
                                                            heading->sizeHint().height() +
                                                            buttons->sizeHint().height());
        report.window = window;
    }
    report.window->findChild<QLabel*>(QStringLiteral("WarningsHeading"))->setText(report.heading);
    report.window->findChild<QPlainTextEdit*>(QStringLiteral("WarningsText"))
        ->setPlainText(report.lines.join(u'\n'));
    report.window->setAccessibleDescription(report.heading);
    report.window->show();
    report.window->raise();
}
