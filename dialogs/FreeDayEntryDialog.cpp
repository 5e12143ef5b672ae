#include "dialogs/FreeDayEntryDialog.h"

#include "dialogs/DialogButtons.h"

#include "freedays/DniWolne.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

FreeDayEntryDialog::FreeDayEntryDialog(const FreeDaysDocument& doc, int index, QWidget* parent)
    : QDialog(parent), m_doc(doc), m_index(index), m_date(new QDateEdit(this)),
      m_recurring(new QCheckBox(QStringLiteral("&Co roku"), this)), m_description(new QLineEdit(this)),
      m_problem(new QLabel(this))
{
    setObjectName(QStringLiteral("freeDayEntryDialog"));
    setWindowTitle(index < 0 ? QStringLiteral("Nowy dzień wolny") : QStringLiteral("Dzień wolny"));
    setModal(true);
    m_date->setObjectName(QStringLiteral("dateEdit"));
    m_date->setAccessibleName(QStringLiteral("Data"));
    m_date->setDisplayFormat(QStringLiteral("dd-MM-yyyy"));
    m_date->setCalendarPopup(true);
    m_date->setDateRange(FirstFreeDayDate, LastFreeDayDate);
    m_recurring->setObjectName(QStringLiteral("recurringCheck"));
    m_recurring->setAccessibleName(QStringLiteral("Co roku"));
    m_description->setObjectName(QStringLiteral("descriptionEdit"));
    m_description->setAccessibleName(QStringLiteral("Opis"));
    m_description->setMaxLength(FreeDayDescriptionSize);
    m_problem->setObjectName(QStringLiteral("problemLabel"));
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #b00000"));
    m_problem->hide();

    if (index >= 0) {
        const FreeDayEntry& entry = doc.Entries.at(index);
        m_date->setDate(entry.Date);
        m_recurring->setChecked(entry.Recurring);
        m_description->setText(entry.Description);
    }

    auto* grid = new QGridLayout(this);
    auto* dateLabel = new QLabel(QStringLiteral("&Data:"), this);
    dateLabel->setObjectName(QStringLiteral("dateLabel"));
    dateLabel->setBuddy(m_date);
    auto* descriptionLabel = new QLabel(QStringLiteral("&Opis:"), this);
    descriptionLabel->setObjectName(QStringLiteral("descriptionLabel"));
    descriptionLabel->setBuddy(m_description);
    grid->addWidget(dateLabel, 0, 0);
    grid->addWidget(m_date, 0, 1);
    grid->addWidget(m_recurring, 0, 2);
    grid->addWidget(descriptionLabel, 1, 0);
    grid->addWidget(m_description, 1, 1, 1, 2);
    grid->addWidget(m_problem, 2, 0, 1, 3);
    grid->addLayout(OkCancelRow(this, m_ok), 3, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    setMinimumWidth(420);

    m_description->setFocus(Qt::OtherFocusReason);
}

FreeDayEntry FreeDayEntryDialog::Entry() const
{
    return {m_date->date(), m_recurring->isChecked(), m_description->text().trimmed(), {}};
}

void FreeDayEntryDialog::accept()
{
    const FreeDayEntry entry = Entry();
    QString problem = FreeDayEntryFault(entry);
    if (problem.isEmpty()) {
        // Another entry already making the day free would only repeat it.
        FreeDaysDocument others = m_doc;
        if (m_index >= 0) others.Entries.removeAt(m_index);
        const int covering = CoveringEntry(others, entry.Date, entry.Recurring);
        if (covering >= 0) {
            problem = QStringLiteral("Ten dzień jest już na liście dni wolnych: %1.")
                          .arg(others.Entries.at(covering).Description);
        }
    }
    m_problem->setText(problem);
    m_problem->setVisible(!problem.isEmpty());
    if (!problem.isEmpty()) {
        m_description->setFocus(Qt::OtherFocusReason);
        return;
    }
    QDialog::accept();
}
