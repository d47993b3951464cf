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
    // On the picture, between its subtitle and the line that says how to close it.
    auto* version = new QLabel(VersionText(), Picture1);
    version->setObjectName(QStringLiteral("Version"));
    version->setGeometry(0, 150, Picture1->width(), 18);
    version->setAlignment(Qt::AlignCenter);
    version->setStyleSheet(QStringLiteral("color: white;"));
    version->setAttribute(Qt::WA_TransparentForMouseEvents);
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
