#include "dialogs/FrmAbout.h"

#include "dialogs/Artwork.h"
#include "env/Prompt.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

const QString FrmAbout::EmailAddress = QStringLiteral("kontakt@grafenta.example");
const QString FrmAbout::WebAddress = QStringLiteral("https://grafenta.example");

namespace {

// A label that reads like a link and hands its address to the desktop when clicked.
QLabel* LinkLabel(const char* name, const QString& text, const QUrl& url, QWidget* parent)
{
    auto* label = new QLabel(QStringLiteral("<a href=\"%1\">%2</a>").arg(url.toString(), text.toHtmlEscaped()), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::RichText);
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    label->setOpenExternalLinks(false);
    label->setAccessibleName(text);
    QObject::connect(label, &QLabel::linkActivated, label,
                     [](const QString& link) { QDesktopServices::openUrl(QUrl(link)); });
    return label;
}

} // namespace

QString FrmAbout::ProgramVersionText(int major, int minor, int revision)
{
    return QStringLiteral("Program wersja %1.%2%3").arg(major).arg(minor).arg(revision);
}

QString FrmAbout::LibraryVersionText(int major, int minor)
{
    return QStringLiteral("Biblioteka podstawowa %1.%2").arg(major).arg(minor, 2, 10, QLatin1Char('0'));
}

FrmAbout::FrmAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("Informacje o programie ") + MessageTitle);
    setModal(true);
    auto* frame = new QGroupBox(this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* image = new QLabel(frame);
    image->setObjectName(QStringLiteral("Image1"));
    image->setPixmap(EmblemPixmap(72, devicePixelRatioF()));
    image->setAccessibleName(QStringLiteral("Znak programu Grafenta"));
    auto* title =
        new QLabel(ProgramVersionText(GRAFENTA_VERSION_MAJOR, GRAFENTA_VERSION_MINOR, GRAFENTA_VERSION_PATCH), frame);
    title->setObjectName(QStringLiteral("lblTitle"));
    QFont bold = title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    title->setFont(bold);
    m_libraryVersion = new QLabel(frame);
    m_libraryVersion->setObjectName(QStringLiteral("lblBaseVersion"));
    m_package = new QLabel(frame);
    m_package->setObjectName(QStringLiteral("lblPakiet"));
    auto* description = new QLabel(QStringLiteral("Grafenta – planowanie czasu pracy\n"
                                                  "ul. Kalendarzowa 12, 00-950 Warszawa\n"
                                                  "tel. +48 22 100 20 30, +48 600 100 200"),
                                   frame);
    description->setObjectName(QStringLiteral("lblDescription"));
    auto* contact = new QLabel(QStringLiteral("Kontakt:"), frame);
    contact->setObjectName(QStringLiteral("Label1"));
    QLabel* email = LinkLabel("labEmail", EmailAddress, QUrl(QStringLiteral("mailto:") + EmailAddress), frame);
    QLabel* web = LinkLabel("labWWW", WebAddress, QUrl(WebAddress), frame);
    auto* disclaimer = new QLabel(
        QStringLiteral(
            "Program jest chroniony prawem autorskim. Kopiowanie, rozpowszechnianie lub udostępnianie go "
            "bez zgody twórców jest zabronione i podlega odpowiedzialności przewidzianej w przepisach prawa."),
        frame);
    disclaimer->setObjectName(QStringLiteral("lblDisclaimer"));
    disclaimer->setWordWrap(true);
    for (QLabel* label : {title, m_libraryVersion, m_package, description, disclaimer})
        label->setAccessibleName(label->text());

    auto* grid = new QGridLayout(frame);
    grid->addWidget(image, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(title, 0, 1, 1, 2);
    grid->addWidget(m_libraryVersion, 1, 1, 1, 2);
    grid->addWidget(m_package, 2, 1, 1, 2);
    grid->addWidget(description, 3, 1, 1, 2);
    grid->addWidget(contact, 4, 1);
    grid->addWidget(email, 4, 2);
    grid->addWidget(web, 5, 2);
    grid->addWidget(disclaimer, 6, 0, 1, 3);
    grid->setColumnStretch(2, 1);

    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setAccessibleName(QStringLiteral("OK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(ok, 0, Qt::AlignRight);
    setMinimumWidth(440);
}

void FrmAbout::SetLibraryVersion(int major, int minor)
{
    m_libraryVersion->setText(LibraryVersionText(major, minor));
    m_libraryVersion->setAccessibleName(m_libraryVersion->text());
}

void FrmAbout::SetPackageName(const QString& name)
{
    m_package->setText(name);
    m_package->setAccessibleName(name);
}
