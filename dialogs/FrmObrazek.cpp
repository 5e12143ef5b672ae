#include "dialogs/FrmObrazek.h"

#include "dialogs/Artwork.h"

#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QVBoxLayout>

FrmObrazek::FrmObrazek(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmObrazek"));
    setWindowTitle(QStringLiteral("Grafenta"));
    auto* image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setPixmap(SplashPixmap(QSize(420, 200), devicePixelRatioF()));
    image->setAccessibleName(QStringLiteral("Grafenta"));
    auto* label = new QLabel(QStringLiteral("Wczytywanie danych..."), this);
    label->setObjectName(QStringLiteral("Label1"));
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("prgBar"));
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setAccessibleName(label->text());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 10);
    layout->addWidget(image);
    auto* progress = new QVBoxLayout;
    progress->setContentsMargins(10, 0, 10, 0);
    progress->addWidget(label);
    progress->addWidget(m_bar);
    layout->addLayout(progress);
}

void FrmObrazek::paintEvent(QPaintEvent*)
{
    // A thin frame in the picture's blue around the whole window.
    QPainter painter(this);
    painter.setPen(QColor(0x2c, 0x52, 0x82));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
