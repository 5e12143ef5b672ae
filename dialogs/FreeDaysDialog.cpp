#include "dialogs/FreeDaysDialog.h"

#include "dialogs/FreeDayEntryDialog.h"
#include "dialogs/FreeDaysTableModel.h"
#include "env/Environment.h"
#include "env/Prompt.h"
#include "freedays/DniWolne.h"

#include <QAction>
#include <QDateEdit>
#include <QGridLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QPushButton* AddButton(QWidget* parent, QLayout* layout, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(QString(caption).remove(QLatin1Char('&')).remove(QChar(0x2026)).trimmed());
    button->setAutoDefault(false);
    layout->addWidget(button);
    return button;
}

} // namespace

FreeDaysDialog::FreeDaysDialog(const Environment& env, SuiteFreeDays& freeDays, QWidget* parent)
    : QDialog(parent), m_env(env), m_freeDays(freeDays), m_model(new FreeDaysTableModel(m_doc, this)),
      m_sorted(new QSortFilterProxyModel(this)), m_table(new QTableView(this)), m_status(new QLabel(this))
{
    setObjectName(QStringLiteral("freeDaysDialog"));
    setWindowTitle(QStringLiteral("Dni wolne"));
    setModal(true);
    m_sorted->setSourceModel(m_model);
    m_sorted->setSortRole(FreeDaysTableModel::SortRole);
    m_table->setObjectName(QStringLiteral("freeDaysTable"));
    m_table->setAccessibleName(QStringLiteral("Lista dni wolnych"));
    m_table->setModel(m_sorted);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(FreeDaysTableModel::DateColumn, Qt::AscendingOrder);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 8);
    m_table->horizontalHeader()->setStretchLastSection(true);
    // Delete removes the entry of the current row, Enter changes it.
    auto* remove = new QAction(QStringLiteral("Usuń"), m_table);
    remove->setShortcut(QKeySequence::Delete);
    remove->setShortcutContext(Qt::WidgetShortcut);
    m_table->addAction(remove);
    connect(remove, &QAction::triggered, this, &FreeDaysDialog::RemoveEntry);
    m_status->setObjectName(QStringLiteral("statusLabel"));
    m_status->setWordWrap(true);

    auto* side = new QVBoxLayout;
    connect(AddButton(this, side, "addButton", QStringLiteral("&Dodaj…")), &QPushButton::clicked, this,
            &FreeDaysDialog::AddEntry);
    connect(AddButton(this, side, "editButton", QStringLiteral("Z&mień…")), &QPushButton::clicked, this,
            &FreeDaysDialog::EditEntry);
    connect(AddButton(this, side, "removeButton", QStringLiteral("&Usuń")), &QPushButton::clicked, this,
            &FreeDaysDialog::RemoveEntry);
    connect(AddButton(this, side, "holidaysButton", QStringLiteral("Dodaj święta us&tawowe…")), &QPushButton::clicked,
            this, &FreeDaysDialog::AddHolidays);
    side->addStretch();
    QPushButton* save = AddButton(this, side, "saveButton", QStringLiteral("&Zapisz"));
    save->setDefault(true);
    connect(save, &QPushButton::clicked, this, &FreeDaysDialog::accept);
    connect(AddButton(this, side, "cancelButton", QStringLiteral("&Anuluj")), &QPushButton::clicked, this,
            &FreeDaysDialog::reject);

    auto* grid = new QGridLayout(this);
    auto* caption = new QLabel(QStringLiteral("&Lista dni wolnych:"), this);
    caption->setObjectName(QStringLiteral("freeDaysLabel"));
    caption->setBuddy(m_table);
    grid->addWidget(caption, 0, 0);
    grid->addWidget(m_table, 1, 0);
    grid->addLayout(side, 1, 1);
    grid->addWidget(m_status, 2, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    resize(640, 440);

    connect(m_table, &QTableView::activated, this, &FreeDaysDialog::EditEntry);
}

FreeDaysDialog::~FreeDaysDialog()
{
    if (m_open) CloseFreeDays(m_env, m_freeDays);
}

bool FreeDaysDialog::Open()
{
    m_open = OpenFreeDaysForEditing(m_env, m_freeDays, m_doc);
    m_model->Reload();
    m_table->resizeColumnsToContents();
    m_table->horizontalHeader()->setStretchLastSection(true);
    if (m_table->model()->rowCount() > 0) m_table->selectRow(0);
    m_status->setText(QStringLiteral("Dni wolnych na liście: %1.").arg(m_doc.Entries.size()));
    return m_open;
}

QPushButton* FreeDaysDialog::Button(const char* name) const
{
    return findChild<QPushButton*>(QString::fromLatin1(name));
}

int FreeDaysDialog::CurrentEntry() const
{
    const QModelIndex current = m_table->currentIndex();
    return current.isValid() ? m_sorted->mapToSource(current).row() : -1;
}

void FreeDaysDialog::SelectEntry(int entry)
{
    const QModelIndex index = m_sorted->mapFromSource(m_model->index(entry, 0));
    m_table->setCurrentIndex(index);
    m_table->selectRow(index.row());
    m_table->scrollTo(index);
}

void FreeDaysDialog::Changed(const QString& status)
{
    m_model->Reload();
    m_status->setText(status);
}

void FreeDaysDialog::AddEntry()
{
    FreeDayEntryDialog dialog(m_doc, -1, this);
    dialog.DateEdit()->setDate(m_today);
    if (dialog.exec() != QDialog::Accepted) return;
    m_doc.Entries.append(dialog.Entry());
    Changed(QStringLiteral("Dodano dzień wolny %1.").arg(dialog.Entry().Date.toString(QStringLiteral("dd-MM-yyyy"))));
    SelectEntry(int(m_doc.Entries.size()) - 1);
}

void FreeDaysDialog::EditEntry()
{
    const int entry = CurrentEntry();
    if (entry < 0) return;
    FreeDayEntryDialog dialog(m_doc, entry, this);
    if (dialog.exec() != QDialog::Accepted) return;
    SetEntry(m_doc, entry, dialog.Entry());
    Changed(
        QStringLiteral("Zmieniono dzień wolny %1.").arg(dialog.Entry().Date.toString(QStringLiteral("dd-MM-yyyy"))));
    SelectEntry(entry);
}

void FreeDaysDialog::RemoveEntry()
{
    const int entry = CurrentEntry();
    if (entry < 0) return;
    const int row = m_table->currentIndex().row();
    const FreeDayEntry removed = m_doc.Entries.takeAt(entry);
    Changed(QStringLiteral("Usunięto dzień wolny %1 (%2).")
                .arg(removed.Date.toString(removed.Recurring ? QStringLiteral("dd-MM") : QStringLiteral("dd-MM-yyyy")),
                     removed.Description));
    const int rows = m_sorted->rowCount();
    if (rows > 0) {
        m_table->setCurrentIndex(m_sorted->index(qMin(row, rows - 1), 0));
        m_table->selectRow(qMin(row, rows - 1));
    }
}

void FreeDaysDialog::AddHolidays()
{
    // The first year from today's whose holidays the list lacks.
    int year = m_today.year();
    while (year < LastFreeDayDate.year()) {
        FreeDaysDocument trial = m_doc;
        if (!AddPublicHolidays(trial, year).isEmpty()) break;
        ++year;
    }
    QInputDialog ask(this);
    ask.setObjectName(QStringLiteral("holidayYearDialog"));
    ask.setWindowTitle(QStringLiteral("Dodaj święta ustawowe"));
    ask.setLabelText(QStringLiteral("Święta ustawowe roku:"));
    ask.setInputMode(QInputDialog::IntInput);
    ask.setIntRange(FirstFreeDayDate.year(), LastFreeDayDate.year());
    ask.setIntValue(year);
    ask.setOkButtonText(QStringLiteral("&Dodaj"));
    ask.setCancelButtonText(QStringLiteral("&Anuluj"));
    if (ask.exec() != QDialog::Accepted) return;
    AddHolidaysOf(ask.intValue());
}

void FreeDaysDialog::AddHolidaysOf(int year)
{
    const int before = int(m_doc.Entries.size());
    const QVector<FreeDayEntry> added = AddPublicHolidays(m_doc, year);
    if (added.isEmpty()) {
        m_status->setText(QStringLiteral("Wszystkie święta ustawowe roku %1 są już na liście.").arg(year));
        return;
    }
    Changed(QStringLiteral("Dodano święta ustawowe roku %1: %2.").arg(year).arg(added.size()));
    SelectEntry(before);
}

bool FreeDaysDialog::Save()
{
    if (!m_doc.Modified()) return true;
    if (!SaveFreeDays(m_env, m_freeDays, m_doc)) return false;
    m_saved = true;
    m_model->Reload();
    return true;
}

void FreeDaysDialog::Close(int result)
{
    if (m_open) CloseFreeDays(m_env, m_freeDays);
    m_open = false;
    QDialog::done(result);
}

void FreeDaysDialog::accept()
{
    if (Save()) Close(QDialog::Accepted);
}

void FreeDaysDialog::reject()
{
    if (m_open && m_doc.Modified()) {
        switch (m_env.Ui.Ask(MessageIcon::Question, QStringLiteral("Zapisać zmiany w liście dni wolnych?"),
                             MessageButtons::YesNoCancel)) {
        case Answer::Yes:
            if (!Save()) return;
            break;
        case Answer::No:
            break;
        default:
            return;
        }
    }
    Close(QDialog::Rejected);
}
