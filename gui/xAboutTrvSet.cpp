#include "gui/xAboutTrvSet.h"

#include "run/CommandLine.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>

xAboutTrvSet::xAboutTrvSet(QWidget* owner) : QWidget(owner, Qt::Dialog) {
    setObjectName(QStringLiteral("xAboutTrvSet"));
    setWindowTitle(tr("About Tervo Setup"));
    // 5445 x 3270 twips; the picture box leaves 30 twips on the right and 15 at the bottom.
    setFixedSize(363, 218);
    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(0, 0, 361, 217);
    Picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Picture1->setPixmap(QPixmap(QStringLiteral(":/about/about.jpg")));
    Picture1->installEventFilter(this);
    // The words on the picture come from the catalogs, so that they speak the window's language.
    const auto addText = [this](const char* name, const QString& text, int top, int height,
                                int pixels, bool bold) {
        auto* label = new QLabel(text, Picture1);
        label->setObjectName(QLatin1String(name));
        label->setGeometry(0, top, Picture1->width(), height);
        label->setAlignment(Qt::AlignCenter);
        QFont font = label->font();
        font.setPixelSize(pixels);
        font.setBold(bold);
        label->setFont(font);
        label->setStyleSheet(QStringLiteral("color: white;"));
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
    };
    addText("Title", QStringLiteral("TervoSetup"), 64, 44, 34, true);
    addText("Subtitle", tr("Configuration Editor"), 112, 24, 16, false);
    addText("Version", VersionText(), 144, 18, 12, false);
    addText("CloseHint", tr("Click the picture to close"), 174, 18, 11, false);
    // A screen reader hears what the picture shows.
    Picture1->setAccessibleName(tr("About Tervo Setup"));
    Picture1->setAccessibleDescription(
        QStringLiteral("TervoSetup - %1 - %2").arg(tr("Configuration Editor"), VersionText()));
}

void xAboutTrvSet::Load() {
    if (isVisible()) {
        return;
    }
    // The window's own area centred on its owner's: a frame is known only once it is shown.
    setGeometry(QRect(parentWidget()->geometry().center() - rect().center(), size()));
    show();
}

bool xAboutTrvSet::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Picture1 && event->type() == QEvent::MouseButtonRelease) {
        close();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void xAboutTrvSet::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
