// The shift-cycle dialog ("Wzór zmian"): a cycle of slots (from a preset or
// typed), the brigade or offset into it, the day the cycle starts, the days
// to paint and whether the suite's free days stay free, with a preview of the
// first weeks. It hands back what the planner asked for; whoever opened it
// paints the days.
#pragma once

#include "plan/ShiftCycle.h"

#include <QBitArray>
#include <QDialog>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

class CycleDialog : public QDialog
{
    Q_OBJECT

public:
    // colours: the slots' colours, 0xRRGGBB (ColourTable).
    CycleDialog(const std::array<uint32_t, SlotCount>& colours, QWidget* parent = nullptr);

    // Made ready for a plan of firstDay..lastDay: the cycle starts on start,
    // the range runs from there to the plan's end; a painting asked for
    // before gives the cycle, the brigade and the free-days choice again.
    // freeDays marks the free days of the plan's days (bit 0 = firstDay);
    // without free days the choice is off.
    void Prepare(int32_t firstDay, int32_t lastDay, int32_t start, const CyclePainting* last, const QBitArray& freeDays,
                 bool freeDaysLoaded);

    // Asked when Ok is pressed: false (its message shown) keeps the dialog open.
    std::function<bool(const CyclePainting&)> Check;

    // The painting as the controls give it; its Cycle is empty while the text is no cycle.
    CyclePainting Request() const;

    QComboBox* Preset() const { return m_preset; }
    QLineEdit* CycleEdit() const { return m_cycle; }
    QComboBox* Brigade() const { return m_brigade; }
    QSpinBox* Offset() const { return m_offset; }
    QDateEdit* StartEdit() const { return m_start; }
    QDateEdit* FromEdit() const { return m_from; }
    QDateEdit* ToEdit() const { return m_to; }
    QCheckBox* KeepFreeDays() const { return m_keepFreeDays; }
    QTableWidget* Preview() const { return m_preview; }
    QLabel* Problem() const { return m_problem; }
    QPushButton* OkButton() const { return m_ok; }

    void accept() override;

    // How many weeks the preview shows.
    static constexpr int PreviewWeeks = 6;

private:
    // The brigades of a preset in the brigade box (none for a cycle of one's own).
    void FillBrigades(int preset);
    // The brigade box at the brigade that starts at the offset, or at none.
    void ShowBrigadeOfOffset();
    void PresetChosen(int index);
    void CycleEdited();
    void BrigadeChosen(int index);
    void Update();
    void ShowPreview(const CyclePainting& painting);

    std::array<uint32_t, SlotCount> m_colours;
    QBitArray m_freeDays;
    int32_t m_planFirst = 0;
    int32_t m_planLast = 0;
    bool m_fromFollowsStart = true;
    bool m_quiet = false; // controls being set from code

    QComboBox* m_preset;
    QLineEdit* m_cycle;
    QComboBox* m_brigade;
    QSpinBox* m_offset;
    QDateEdit* m_start;
    QDateEdit* m_from;
    QDateEdit* m_to;
    QCheckBox* m_keepFreeDays;
    QTableWidget* m_preview;
    QLabel* m_problem;
    QPushButton* m_ok = nullptr;
};
