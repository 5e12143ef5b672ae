#include "dialogs/FrmNowyPlan.h"

#include "editor/FrmGrafenta.h"
#include "editor/MonthCalendar.h"
#include "editor/PlanCommands.h"
#include "editor/RangePickers.h"
#include "editor/SchedulePanel.h"
#include "editor/TimeFieldEdit.h"
#include "env/Kelbrin.h"
#include "env/Locks.h"
#include "env/OdczytZapisPliku.h"
#include "env/Prompt.h"
#include "plan/PlanReader.h"
#include "plan/ProgramState.h"
#include "plan/ZapisPlanuPracy.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString CopyFailed = QStringLiteral("Nie powiodło sie utworzenie kopii planu pracy.");
const QString SourceUnreadable = QStringLiteral("Utworzenie niemożliwe, nie można odczytać pliku planu pracy.");

bool Enabled(QWidget* widget)
{
    return widget->isEnabled();
}

} // namespace

FrmNowyPlan::FrmNowyPlan(ProgramState& state, FrmGrafenta& window, QWidget* parent)
    : QDialog(parent), m_state(state), m_window(window), m_name(new QLineEdit(this)),
      m_copy(new QCheckBox(QStringLiteral("&Utwórz z istniejącego"), this)), m_plans(new QComboBox(this)),
      m_noRange(new QCheckBox(QStringLiteral("Bez planu pracy"), this)),
      m_from(new QDateEdit(QDate::currentDate(), this)), m_to(new QDateEdit(QDate::currentDate(), this)),
      m_ok(new QPushButton(QStringLiteral("&Ok"), this)), m_cancel(new QPushButton(QStringLiteral("&Anuluj"), this))
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
    m_range = new RangePickers(m_from, m_to, state.Doc, false, this);

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

void FrmNowyPlan::ShowRange(int32_t firstDay, int32_t lastDay)
{
    m_range->Show(DateOfDay(firstDay), DateOfDay(lastDay));
}

void FrmNowyPlan::ShowPlanBackground(bool white)
{
    QPalette palette = m_plans->palette();
    palette.setColor(QPalette::Base,
                     white ? QColor(255, 255, 255) : QColor(QRgb(m_state.Env.ColourTable[FreeDaySlot])));
    palette.setColor(QPalette::Button, palette.color(QPalette::Base));
    m_plans->setPalette(palette);
}

void FrmNowyPlan::ShowForNewPlan()
{
    QComboBox* main = m_window.PlanBox();
    m_plans->clear();
    for (int i = 0; i + 1 < main->count(); ++i)
        m_plans->addItem(main->itemText(i));
    m_copy->setChecked(false);
    m_noRange->setChecked(false);
    m_range->Remember();
    Activated();
    m_name->setFocus();
    exec();
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
    m_window.Commands()->KopiaPlanu = copying;
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
    m_window.Commands()->KopiaPlanu = copying;
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
        if (Enabled(next)) {
            next->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FrmNowyPlan::reject()
{
    m_range->Restore();
    PlanCommands* commands = m_window.Commands();
    commands->DialogAnulowany = true;
    commands->SuppressPlanSelection = false;
    QDialog::reject();
}

bool FrmNowyPlan::Refuse(int icon, const QString& text)
{
    m_state.Env.Ui.ShowMessage(MessageIcon(icon), text);
    return false;
}

bool FrmNowyPlan::cmdOK_Click()
{
    // The dialog is disabled while it works, and enabled again on every way
    // out; a refusal leaves the focus in the name.
    setEnabled(false);
    const bool made = MakePlan();
    setEnabled(true);
    if (made) {
        m_window.Button("cmdPrzydziel")->setEnabled(true);
        accept();
    } else {
        m_name->setFocus();
    }
    return made;
}

bool FrmNowyPlan::MakePlan()
{
    Environment& env = m_state.Env;
    PlanDocument& doc = m_state.Doc;
    const QString name = m_name->text().trimmed();
    if (name.isEmpty()) return Refuse(int(MessageIcon::Information), QStringLiteral("Wprowadź nazwę planu pracy"));
    if (name.contains(QLatin1Char(':')) || name.contains(QLatin1Char('\\')) || name.contains(QLatin1Char('/')))
        return Refuse(int(MessageIcon::Critical), QStringLiteral("Błędna nazwa planu pracy.") + Cr +
                                                      QStringLiteral("Nazwa nie może zawierać znaków :,\\,/"));
    if (!IsStorablePlanName(name))
        return Refuse(int(MessageIcon::Critical),
                      QStringLiteral("Błędna nazwa planu pracy.") + Cr +
                          QStringLiteral("Nazwa może mieć najwyżej %1 znaków i nie może zawierać znaków sterujących, "
                                         "znaków *?\"<>| ani nazwy urządzenia (CON, NUL, COM1...).")
                              .arg(MaxPlanNameLength));
    const QString plansDir = env.PlansDir();
    if (env.Lib.SetDir(plansDir) > 0)
        return Refuse(int(MessageIcon::Critical),
                      QStringLiteral("Nie można odnależć ścieżki: ") + QDir::toNativeSeparators(plansDir + u'/'));
    const QStringList files = QDir(plansDir).entryList({QStringLiteral("*.PLN")}, QDir::Files, QDir::Unsorted);
    for (const QString& file : files) {
        QCoreApplication::processEvents();
        if (file.compare(name + QStringLiteral(".PLN"), Qt::CaseInsensitive) == 0)
            return Refuse(int(MessageIcon::Information), QStringLiteral("Plan o podanej nazwie już został utworzony.") +
                                                             Cr + QStringLiteral("Zmień nazwę planu pracy"));
    }

    PlanCommands* commands = m_window.Commands();
    doc.ProbedKind = m_noRange->isChecked() ? ProbeWeeklyPlan : ProbeSchedulePlan;
    const bool copying = commands->KopiaPlanu;
    const QString source = m_plans->currentText().trimmed();
    if (copying) {
        PlanWindowEffects effects;
        doc.ProbedKind = ProbePlanKind(env, doc, source, &effects);
        // The open plan is closed first: its lock goes, and the window waits;
        // the plan box's next choice counts again.
        m_window.PlanBox()->setCurrentIndex(m_window.PlanBox()->count() - 1);
        m_window.Commands()->SuppressPlanSelection = false;
        QCoreApplication::processEvents();
        if (doc.ProbedKind == ProbeFailed) return Refuse(int(MessageIcon::Critical), SourceUnreadable);
        if (!ReadProbedPlan(env, doc, source, &effects)) return Refuse(int(MessageIcon::Critical), SourceUnreadable);
        m_window.ApplyReadEffects(effects);
        ReleaseLock(env, doc.PlanLockHandle);
    }
    return doc.ProbedKind == ProbeWeeklyPlan ? MakeWeeklyPlan(name, copying, source)
                                             : MakeSchedulePlan(name, copying, source);
}

bool FrmNowyPlan::MakeSchedulePlan(const QString& name, bool copying, const QString& source)
{
    Environment& env = m_state.Env;
    PlanDocument& doc = m_state.Doc;
    const QString target = QDir(env.PlansDir()).filePath(name + QStringLiteral(".PLN"));
    if (copying) {
        if (CopyToNewFile(PlanFilePath(env, source), target, PlanLayout::MaxPlanFileSize) != 0)
            return Refuse(int(MessageIcon::Critical), CopyFailed);
    } else {
        ZmienZakresDni(doc, m_range->FirstDay(), m_range->LastDay());
        m_window.Panel()->ShowFields();
        const char* allowances[4] = {"00:01", "00:00", "00:00", "00:01"};
        for (int i = 0; i < 4; ++i) {
            TimeFieldEdit* field = m_window.Field(FieldIds::Allowance(i));
            field->setText(QString::fromLatin1(allowances[i]));
            field->Leave();
        }
        if (!ZapiszPlanHarmonogramow(env, doc, name, false).Ok())
            return Refuse(int(MessageIcon::Critical), QStringLiteral("Nie powiodło sie utworzenie planu pracy."));
        m_window.UstawTypPlanu(1);
    }
    PlanCommands* commands = m_window.Commands();
    commands->SuppressPlanSelection = true;
    QComboBox* main = m_window.PlanBox();
    main->insertItem(main->count() - 1, name);
    main->setCurrentIndex(main->count() - 2);
    commands->KopiaPlanu = false;
    m_window.Calendar()->SetDisplayedMonth(m_range->From());
    ZmienZakresDni(doc, m_range->FirstDay(), m_range->LastDay());
    OpenInWindow(name);
    return true;
}

bool FrmNowyPlan::MakeWeeklyPlan(const QString& name, bool copying, const QString& source)
{
    Environment& env = m_state.Env;
    PlanDocument& doc = m_state.Doc;
    PlanCommands* commands = m_window.Commands();
    const QString target = QDir(env.PlansDir()).filePath(name + QStringLiteral(".PLN"));
    if (copying) {
        if (CopyToNewFile(PlanFilePath(env, source), target, PlanLayout::MaxPlanFileSize) != 0)
            return Refuse(int(MessageIcon::Critical), CopyFailed);
        PlanWindowEffects effects;
        const bool read = doc.IsCurrentFormat ? ReadWeeklyPlan(env, doc, name, &effects)
                                              : ReadLegacyWeeklyPlan(env, doc, name, &effects);
        if (!read) return Refuse(int(MessageIcon::Critical), QStringLiteral("Odczytanie planu pracy niemożliwe."));
        m_window.ApplyReadEffects(effects);
        m_window.UstawTypPlanu(0);
    } else {
        doc.Plan.FirstDay = DayOfDate(QDate(2001, 1, 1));
        doc.Plan.LastDay = DayOfDate(QDate(2002, 1, 1));
        m_window.Panel()->ShowRange(QDate(2001, 1, 1), QDate(2002, 1, 1));
        for (const auto& [id, text] : {std::pair{FieldIds::Norm, "08:00"}, std::pair{FieldIds::DayStart, "00:00"}}) {
            TimeFieldEdit* field = m_window.Field(id);
            field->setText(QString::fromLatin1(text));
            field->Leave();
        }
        if (!ZapiszPlanTygodniowy(env, doc, m_state.FreeDays, name, false, true).Ok())
            return Refuse(int(MessageIcon::Critical), QStringLiteral("Nie powiodło się utworzenie pliku planu pracy."));
        doc.Plan.WeekdayKinds.fill(FreeWeekday); // as the uniform week stores them
        m_window.UstawTypPlanu(0);
        m_window.CzyscDniPlanu();
        commands->SuppressPlanSelection = true;
    }
    QComboBox* main = m_window.PlanBox();
    main->insertItem(main->count() - 1, name);
    main->setCurrentIndex(main->count() - 2);
    doc.Plan.IncludeFreeDays = true;
    if (copying) {
        // The plan box has opened the copy; the copy is done.
        commands->KopiaPlanu = false;
        commands->SuppressPlanSelection = false;
    } else {
        OpenInWindow(name);
    }
    return true;
}

void FrmNowyPlan::OpenInWindow(const QString& name)
{
    Environment& env = m_state.Env;
    PlanDocument& doc = m_state.Doc;
    // The made plan is the open plan from here: its name, its lock, the
    // window unlocked for it and its first month shown.
    doc.CurrentPlanName = name;
    doc.Plan.Name = name;
    ReleaseLock(env, doc.PlanLockHandle);
    AcquirePlanLock(env, name, doc.PlanLockHandle, doc.PlanLockState);
    m_window.Blokuj_Przyciski(false);
    if (doc.ProbedKind == ProbeSchedulePlan) m_window.ShowPlanRange();
    m_window.ResetUndo();
    doc.PlanModified = false;
    m_window.PlanShownOrClosed();
}
