#include "dialogs/FrmNowyPlan.h"

#include "editor/DateField.h"
#include "editor/RangePickers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

FrmNowyPlan::FrmNowyPlan(Prompt& prompt, PlanDocument& doc, QWidget* parent)
    : QDialog(parent), m_name(new QLineEdit(this)),
      m_copy(new QCheckBox(QStringLiteral("&Utwórz z istniejącego"), this)), m_plans(new QComboBox(this)),
      m_noRange(new QCheckBox(QStringLiteral("Bez planu pracy"), this)), m_from(NewRangePicker(prompt, "dtpOd", this)),
      m_to(NewRangePicker(prompt, "dtpDo", this)), m_ok(new QPushButton(QStringLiteral("&Ok"), this)),
      m_cancel(new QPushButton(QStringLiteral("&Anuluj"), this))
{
    setObjectName(QStringLiteral("frmNowyPlan"));
    setWindowTitle(QStringLiteral("Nowy plan"));
    setModal(true);
    auto* nameLabel = new QLabel(QStringLiteral("Nazwa planu pracy:"), this);
    nameLabel->setObjectName(QStringLiteral("LblTxtNazwa"));
    nameLabel->setBuddy(m_name);
    m_name->setObjectName(QStringLiteral("txtNazwa"));
    m_name->setAccessibleName(QStringLiteral("Nazwa planu pracy"));
    m_copy->setObjectName(QStringLiteral("chkUtworz"));
    m_copy->setAccessibleName(QStringLiteral("Utwórz z istniejącego"));
    m_plans->setObjectName(QStringLiteral("cboPlany"));
    m_plans->setAccessibleName(QStringLiteral("Plan, z którego powstanie kopia"));
    m_noRange->setObjectName(QStringLiteral("chkBezPlanu"));
    m_noRange->setAccessibleName(m_noRange->text());

    auto* frame = new QGroupBox(this);
    AddRangeRow(frame, m_from, m_to, 0);
    m_range = new RangePickers(m_from, m_to, doc, false, this);

    m_ok->setObjectName(QStringLiteral("cmdOK"));
    m_ok->setAccessibleName(QStringLiteral("Ok"));
    m_ok->setAutoDefault(false);
    m_cancel->setObjectName(QStringLiteral("cmdAnuluj"));
    m_cancel->setAccessibleName(QStringLiteral("Anuluj"));
    m_cancel->setAutoDefault(false);

    auto* layout = new QGridLayout(this);
    layout->addWidget(nameLabel, 0, 0);
    layout->addWidget(m_name, 0, 1, 1, 2);
    layout->addWidget(m_copy, 1, 0);
    layout->addWidget(m_plans, 1, 1, 1, 2);
    layout->addWidget(m_noRange, 2, 0, 1, 3);
    layout->addWidget(frame, 3, 0, 1, 3);
    layout->addWidget(m_ok, 4, 1);
    layout->addWidget(m_cancel, 4, 2);
    layout->setColumnStretch(0, 1);

    connect(m_copy, &QCheckBox::clicked, this, &FrmNowyPlan::chkUtworz_Click);
    connect(m_noRange, &QCheckBox::clicked, this, &FrmNowyPlan::chkBezPlanu_Click);
    connect(m_ok, &QPushButton::clicked, this, &FrmNowyPlan::cmdOK_Click);
    connect(m_cancel, &QPushButton::clicked, this, &FrmNowyPlan::reject);
    for (QWidget* widget : std::initializer_list<QWidget*>{m_name, m_copy, m_plans, m_noRange, m_from, m_to})
        widget->installEventFilter(this);
}

void FrmNowyPlan::ShowRange(QDate from, QDate to)
{
    m_range->Show(from, to);
}

void FrmNowyPlan::ShowPlanBackground(bool white)
{
    QPalette palette = m_plans->palette();
    palette.setColor(QPalette::Base, white || !m_unusable.isValid() ? QColor(255, 255, 255) : m_unusable);
    palette.setColor(QPalette::Button, palette.color(QPalette::Base));
    m_plans->setPalette(palette);
}

bool FrmNowyPlan::Ask(const QStringList& plans, const MakePlan& make)
{
    m_make = make;
    m_plans->clear();
    m_plans->addItems(plans);
    m_copy->setChecked(false);
    m_noRange->setChecked(false);
    m_range->Remember();
    Activated();
    m_name->setFocus();
    const bool made = exec() == QDialog::Accepted;
    m_make = {};
    return made;
}

NewPlanRequest FrmNowyPlan::Request() const
{
    NewPlanRequest request;
    request.Name = m_name->text().trimmed();
    request.Copy = m_copy->isChecked();
    request.Source = m_plans->currentText().trimmed();
    request.NoRange = m_noRange->isChecked();
    request.From = m_range->From();
    request.To = m_range->To();
    return request;
}

void FrmNowyPlan::Activated()
{
    const bool plans = m_plans->count() > 0;
    m_plans->setEnabled(plans);
    m_copy->setEnabled(plans);
    m_noRange->setEnabled(true);
    const bool copying = m_copy->isChecked();
    m_plans->setEnabled(copying);
    ShowPlanBackground(copying);
    m_from->setEnabled(!copying);
    m_to->setEnabled(!copying);
}

void FrmNowyPlan::chkUtworz_Click()
{
    const bool copying = m_copy->isChecked();
    m_plans->setEnabled(copying);
    ShowPlanBackground(copying);
    if (copying && m_plans->count() > 0) m_plans->setCurrentIndex(0);
    m_from->setEnabled(!copying);
    m_to->setEnabled(!copying);
    m_noRange->setEnabled(!copying);
}

void FrmNowyPlan::chkBezPlanu_Click()
{
    m_from->setEnabled(!m_from->isEnabled());
    m_to->setEnabled(m_from->isEnabled());
}

bool FrmNowyPlan::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Escape && watched == m_from) {
        reject();
        return true;
    }
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return QDialog::eventFilter(watched, event);
    // Enter moves the focus on to the next control that can take it.
    QList<QWidget*> order;
    if (watched == m_name)
        order = {m_copy, m_plans, m_noRange};
    else if (watched == m_copy)
        order = {m_plans, m_noRange};
    else if (watched == m_plans)
        order = {m_noRange, m_from, m_ok};
    else if (watched == m_noRange)
        order = {m_from, m_ok};
    else if (watched == m_from)
        order = {m_to};
    else if (watched == m_to)
        order = {m_ok};
    for (QWidget* next : std::as_const(order)) {
        if (next->isEnabled()) {
            next->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FrmNowyPlan::reject()
{
    m_range->Restore();
    QDialog::reject();
}

bool FrmNowyPlan::cmdOK_Click()
{
    // A date typed and not yet left is taken first; one refused keeps its focus.
    if (m_from->isEnabled() && !m_range->Commit()) return false;
    // The dialog is disabled while the plan is made, and enabled again on
    // every way out; a refusal leaves the focus in the name.
    setEnabled(false);
    const bool made = m_make && m_make(Request());
    setEnabled(true);
    if (made)
        accept();
    else
        m_name->setFocus();
    return made;
}
