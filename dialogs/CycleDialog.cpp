#include "dialogs/CycleDialog.h"

#include "dialogs/DialogButtons.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>

namespace {

const QString DateFormat = QStringLiteral("dd-MM-yyyy");
const QStringList WeekdayCaptions{QStringLiteral("N."),  QStringLiteral("Pn."), QStringLiteral("Wt."),
                                  QStringLiteral("Śr."), QStringLiteral("Cz."), QStringLiteral("Pt."),
                                  QStringLiteral("So.")};

QDateEdit* DateEdit(QWidget* parent, const char* name, const QString& accessibleName)
{
    auto* edit = new QDateEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setAccessibleName(accessibleName);
    edit->setDisplayFormat(DateFormat);
    edit->setCalendarPopup(true);
    return edit;
}

QLabel* Caption(QWidget* parent, const char* name, const QString& text, QWidget* buddy)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setBuddy(buddy);
    return label;
}

} // namespace

CycleDialog::CycleDialog(const std::array<uint32_t, SlotCount>& colours, QWidget* parent)
    : QDialog(parent), m_colours(colours), m_preset(new QComboBox(this)), m_cycle(new QLineEdit(this)),
      m_brigade(new QComboBox(this)), m_offset(new QSpinBox(this)),
      m_start(DateEdit(this, "startEdit", QStringLiteral("Pierwszy dzień cyklu"))),
      m_from(DateEdit(this, "fromEdit", QStringLiteral("Zakres od"))),
      m_to(DateEdit(this, "toEdit", QStringLiteral("Zakres do"))),
      m_keepFreeDays(new QCheckBox(QStringLiteral("Dni z &listy dni wolnych pozostaw wolne"), this)),
      m_preview(new QTableWidget(PreviewWeeks, 7, this)), m_problem(new QLabel(this))
{
    setObjectName(QStringLiteral("cycleDialog"));
    setWindowTitle(QStringLiteral("Wzór zmian"));
    setModal(true);

    m_preset->setObjectName(QStringLiteral("presetBox"));
    m_preset->setAccessibleName(QStringLiteral("Wzór"));
    for (const CyclePreset& preset : CyclePresets())
        m_preset->addItem(preset.Name);
    m_preset->addItem(QStringLiteral("Własny"));
    m_cycle->setObjectName(QStringLiteral("cycleEdit"));
    m_cycle->setAccessibleName(QStringLiteral("Cykl"));
    m_cycle->setAccessibleDescription(
        QStringLiteral("Numery harmonogramów kolejnych dni cyklu, od 0 do 6, oddzielone spacjami; 4 to dzień wolny"));
    m_cycle->setToolTip(m_cycle->accessibleDescription());
    m_brigade->setObjectName(QStringLiteral("brigadeBox"));
    m_brigade->setAccessibleName(QStringLiteral("Brygada"));
    m_offset->setObjectName(QStringLiteral("offsetBox"));
    m_offset->setAccessibleName(QStringLiteral("Przesunięcie w cyklu"));
    m_offset->setSuffix(QStringLiteral(" dni"));
    m_start->setMinimumDate(DateOfDay(0));
    m_start->setMaximumDate(DateOfDay(MaxPlanDay));
    m_keepFreeDays->setObjectName(QStringLiteral("keepFreeDaysCheck"));
    m_keepFreeDays->setAccessibleName(QStringLiteral("Dni z listy dni wolnych pozostaw wolne"));
    m_problem->setObjectName(QStringLiteral("problemLabel"));
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #b00000"));

    m_preview->setObjectName(QStringLiteral("previewTable"));
    m_preview->setAccessibleName(QStringLiteral("Podgląd pierwszych tygodni"));
    m_preview->setHorizontalHeaderLabels(WeekdayCaptions);
    m_preview->verticalHeader()->hide();
    m_preview->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_preview->verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview->setSelectionMode(QAbstractItemView::NoSelection);
    m_preview->setMinimumSize(7 * 56, PreviewWeeks * 38 + 24);

    auto* grid = new QGridLayout(this);
    int row = 0;
    grid->addWidget(Caption(this, "presetLabel", QStringLiteral("&Wzór:"), m_preset), row, 0);
    grid->addWidget(m_preset, row++, 1, 1, 3);
    grid->addWidget(Caption(this, "cycleLabel", QStringLiteral("&Cykl:"), m_cycle), row, 0);
    grid->addWidget(m_cycle, row++, 1, 1, 3);
    grid->addWidget(Caption(this, "brigadeLabel", QStringLiteral("&Brygada:"), m_brigade), row, 0);
    grid->addWidget(m_brigade, row, 1);
    grid->addWidget(Caption(this, "offsetLabel", QStringLiteral("&Przesunięcie:"), m_offset), row, 2);
    grid->addWidget(m_offset, row++, 3);
    grid->addWidget(Caption(this, "startLabel", QStringLiteral("Pierwszy dzień c&yklu:"), m_start), row, 0);
    grid->addWidget(m_start, row++, 1);
    grid->addWidget(Caption(this, "fromLabel", QStringLiteral("&Zakres od:"), m_from), row, 0);
    grid->addWidget(m_from, row, 1);
    grid->addWidget(Caption(this, "toLabel", QStringLiteral("&do:"), m_to), row, 2);
    grid->addWidget(m_to, row++, 3);
    grid->addWidget(m_keepFreeDays, row++, 0, 1, 4);
    grid->addWidget(Caption(this, "previewLabel", QStringLiteral("Podgląd pierwszych tygodni:"), m_preview), row++, 0,
                    1, 4);
    grid->addWidget(m_preview, row++, 0, 1, 4);
    grid->addWidget(m_problem, row++, 0, 1, 4);
    grid->addLayout(OkCancelRow(this, m_ok), row, 0, 1, 4);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    connect(m_preset, &QComboBox::currentIndexChanged, this, &CycleDialog::PresetChosen);
    connect(m_cycle, &QLineEdit::textEdited, this, &CycleDialog::CycleEdited);
    connect(m_brigade, &QComboBox::currentIndexChanged, this, &CycleDialog::BrigadeChosen);
    connect(m_offset, &QSpinBox::valueChanged, this, [this] {
        if (m_quiet) return;
        ShowBrigadeOfOffset();
        Update();
    });
    connect(m_start, &QDateEdit::dateChanged, this, [this](QDate date) {
        if (m_quiet) return;
        if (m_fromFollowsStart) {
            m_quiet = true;
            m_from->setDate(date);
            m_quiet = false;
        }
        Update();
    });
    connect(m_from, &QDateEdit::dateChanged, this, [this] {
        if (m_quiet) return;
        m_fromFollowsStart = false;
        Update();
    });
    connect(m_to, &QDateEdit::dateChanged, this, [this] {
        if (!m_quiet) Update();
    });
    connect(m_keepFreeDays, &QCheckBox::toggled, this, [this] {
        if (!m_quiet) Update();
    });
}

void CycleDialog::Prepare(int32_t firstDay, int32_t lastDay, int32_t start, const CyclePainting* last,
                          const QBitArray& freeDays, bool freeDaysLoaded)
{
    m_planFirst = firstDay;
    m_planLast = lastDay;
    m_freeDays = freeDays;
    m_quiet = true;
    for (QDateEdit* edit : {m_from, m_to}) {
        edit->setMinimumDate(DateOfDay(firstDay));
        edit->setMaximumDate(DateOfDay(lastDay));
    }
    m_start->setDate(DateOfDay(start));
    m_from->setDate(DateOfDay(qBound(firstDay, start, lastDay)));
    m_to->setDate(DateOfDay(lastDay));
    m_fromFollowsStart = true;
    m_keepFreeDays->setEnabled(freeDaysLoaded);
    m_keepFreeDays->setToolTip(freeDaysLoaded ? QString() : QStringLiteral("Lista dni wolnych nie została wczytana."));
    // A rotation runs through holidays unless the planner says otherwise.
    m_keepFreeDays->setChecked(freeDaysLoaded && last && last->KeepFreeDays);
    m_quiet = false;
    if (!last) {
        m_preset->setCurrentIndex(0);
        PresetChosen(0);
    } else {
        m_cycle->setText(CycleText(last->Cycle));
        CycleEdited();
        m_quiet = true;
        m_offset->setValue(last->Offset);
        m_quiet = false;
        ShowBrigadeOfOffset();
    }
    Update();
    m_cycle->setFocus(Qt::OtherFocusReason);
}

void CycleDialog::FillBrigades(int preset)
{
    const bool quiet = m_quiet;
    m_quiet = true;
    m_brigade->clear();
    if (preset >= 0 && preset < CyclePresets().size()) {
        const CyclePreset& chosen = CyclePresets().at(preset);
        for (int b = 1; b <= chosen.Brigades; ++b)
            m_brigade->addItem(QStringLiteral("Brygada %1 (przesunięcie %2)").arg(b).arg(BrigadeOffset(chosen, b)));
    }
    m_brigade->setEnabled(m_brigade->count() > 1);
    m_quiet = quiet;
}

void CycleDialog::ShowBrigadeOfOffset()
{
    const int preset = m_preset->currentIndex();
    int brigade = -1;
    if (preset >= 0 && preset < CyclePresets().size()) {
        for (int b = 1; b <= CyclePresets().at(preset).Brigades; ++b) {
            if (BrigadeOffset(CyclePresets().at(preset), b) == m_offset->value()) brigade = b - 1;
        }
    }
    const bool quiet = m_quiet;
    m_quiet = true;
    m_brigade->setCurrentIndex(brigade);
    m_quiet = quiet;
}

void CycleDialog::PresetChosen(int index)
{
    if (m_quiet) return;
    FillBrigades(index);
    if (index >= 0 && index < CyclePresets().size()) {
        const CyclePreset& preset = CyclePresets().at(index);
        m_quiet = true;
        m_cycle->setText(CycleText(preset.Slots));
        m_offset->setMaximum(int(preset.Slots.size()) - 1);
        m_offset->setValue(0);
        m_brigade->setCurrentIndex(0);
        m_quiet = false;
    }
    Update();
}

void CycleDialog::CycleEdited()
{
    // A typed cycle counts as a preset while it is that preset's cycle.
    const std::optional<QVector<int>> cycle = ParseCycle(m_cycle->text());
    int preset = int(CyclePresets().size());
    for (int i = 0; cycle && i < CyclePresets().size(); ++i) {
        if (CyclePresets().at(i).Slots == *cycle) preset = i;
    }
    if (preset != m_preset->currentIndex()) {
        m_quiet = true;
        m_preset->setCurrentIndex(preset);
        m_quiet = false;
        FillBrigades(preset);
    }
    if (cycle) {
        m_quiet = true;
        m_offset->setMaximum(int(cycle->size()) - 1);
        m_quiet = false;
    }
    ShowBrigadeOfOffset();
    Update();
}

void CycleDialog::BrigadeChosen(int index)
{
    if (m_quiet || index < 0) return;
    const int preset = m_preset->currentIndex();
    if (preset < 0 || preset >= CyclePresets().size()) return;
    m_quiet = true;
    m_offset->setValue(BrigadeOffset(CyclePresets().at(preset), index + 1));
    m_quiet = false;
    Update();
}

CyclePainting CycleDialog::Request() const
{
    CyclePainting painting;
    painting.Cycle = ParseCycle(m_cycle->text()).value_or(QVector<int>{});
    painting.FirstDay = DayOfDate(m_start->date());
    painting.Offset = m_offset->value();
    painting.From = DayOfDate(m_from->date());
    painting.To = DayOfDate(m_to->date());
    painting.KeepFreeDays = m_keepFreeDays->isEnabled() && m_keepFreeDays->isChecked();
    return painting;
}

void CycleDialog::Update()
{
    QString why;
    const std::optional<QVector<int>> cycle = ParseCycle(m_cycle->text(), &why);
    if (cycle && m_from->date() > m_to->date()) why = QStringLiteral("Początek zakresu leży po jego końcu.");
    m_problem->setText(why);
    m_problem->setVisible(!why.isEmpty());
    m_ok->setEnabled(why.isEmpty());
    ShowPreview(Request());
}

void CycleDialog::ShowPreview(const CyclePainting& painting)
{
    const int32_t from = qMax(painting.From, m_planFirst);
    const int32_t first = from - WeekdayOf(from);
    for (int cell = 0; cell < PreviewWeeks * 7; ++cell) {
        const int32_t day = first + cell;
        const QDate date = DateOfDay(day);
        auto* item = new QTableWidgetItem;
        item->setTextAlignment(Qt::AlignCenter);
        const bool painted = !painting.Cycle.isEmpty() && day >= from && day <= qMin(painting.To, m_planLast);
        QString text = date.toString(QStringLiteral("d.MM"));
        QString description = date.toString(Qt::ISODate);
        if (painted) {
            const qsizetype bit = day - m_planFirst;
            const bool listed = painting.KeepFreeDays && bit < m_freeDays.size() && m_freeDays.testBit(bit);
            const int slot = listed ? FreeDaySlot : CycleSlot(painting, day);
            const QString what = listed                ? QStringLiteral("święto")
                                 : slot == FreeDaySlot ? QStringLiteral("wolne")
                                                       : QString::number(slot);
            text += QLatin1Char('\n') + what;
            description += QStringLiteral(": ") + (listed ? QStringLiteral("dzień wolny z listy dni wolnych")
                                                   : slot == FreeDaySlot ? QStringLiteral("dzień wolny")
                                                                         : QStringLiteral("harmonogram %1").arg(slot));
            item->setBackground(QColor(QRgb(m_colours[size_t(slot)])));
            item->setForeground(Qt::black);
        } else {
            description += QStringLiteral(": bez zmian");
            item->setForeground(Qt::gray);
        }
        item->setText(text);
        item->setToolTip(description);
        item->setData(Qt::AccessibleTextRole, description);
        m_preview->setItem(cell / 7, cell % 7, item);
    }
}

void CycleDialog::accept()
{
    const CyclePainting painting = Request();
    if (painting.Cycle.isEmpty() || !m_ok->isEnabled()) return;
    if (Check && !Check(painting)) return;
    QDialog::accept();
}
