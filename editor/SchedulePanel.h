// The schedule editor under the calendar: the colour toggles (tglKolor)
// with the time rows of the schedules, and for a weekly plan the weekday
// toggles (tglKolorNONE), the daily norm, the start of the day, the free-days
// check box and the plan-range frame. The four allowances sit apart, under
// the employee list (AllowancePanel).
#pragma once

#include "editor/ColourToggle.h"
#include "editor/TimeFieldEdit.h"

#include <QDate>
#include <QWidget>

#include <array>

class QCheckBox;
class DateField;
class QGroupBox;
class QLabel;
struct Environment;
struct PlanDocument;

class SchedulePanel : public QWidget
{
    Q_OBJECT

public:
    SchedulePanel(const Environment& env, PlanDocument& doc, QWidget* parent = nullptr);

    // The slot a day click paints: the highest pressed tglKolor, 0 when none is.
    int SelectedSlot() const;
    // The weekday marking: value 1 (free) or 2 (working), and its colour slot.
    uint8_t MarkingValue() const { return m_markingValue; }

    TimeFieldEdit* Field(int id) const { return m_fields.at(size_t(id)); }
    ColourToggle* Toggle(int slot) const { return m_toggles.at(size_t(slot)); }
    ColourToggle* WeekdayToggle(int index) const { return m_weekdayToggles.at(size_t(index)); }
    QCheckBox* IncludeFreeDays() const { return m_includeFreeDays; }
    DateField* From() const { return m_from; }
    DateField* To() const { return m_to; }
    class RangePickers* Range() const { return m_range; }
    QGroupBox* RangeFrame() const { return m_rangeFrame; }

    // Every field shows its place in the open plan's fields again.
    void ShowFields();
    // The colours of the toggles (ColourTable), after start-up fills it.
    void ShowColours();
    // The controls of one plan kind: 0 the weekly ones, any other the schedules'.
    void ArrangeFor(uint8_t kind, bool freeDaysLoaded);
    // The weekly plan's range in the pickers, without counting as an edit.
    void ShowRange(QDate from, QDate to);
    // The editing controls' part of locking the window, in its order: the
    // range frame, the weekday toggles, their labels, the pickers and the
    // norm, the colour toggles, the schedule fields and their background.
    void SetLocked(bool locked);

    // Where the range frame lies in the window, in twips.
    static QRect RangeFrameTwips() { return QRect(120, 4830, 3375, 915); }

    void tglKolor_Click(int index);
    void tglKolorNONE_Click(int index);

signals:
    void FieldEdited(int id, const TimeField& before, const TimeField& after, bool marksModified);
    // The weekly range pickers moved (after their pull-back rules).
    void RangeChanged(QDate from, QDate to);
    void IncludeFreeDaysClicked(bool checked);

private:
    TimeFieldEdit* AddField(class TwipsLayout* layout, int id, QRect twips, const QString& accessibleName);
    QLabel* AddLabel(class TwipsLayout* layout, const char* name, const QString& text, QRect twips);

    const Environment& m_env;
    PlanDocument& m_doc;
    std::array<TimeFieldEdit*, FieldIds::Count> m_fields{};
    std::array<ColourToggle*, SlotCount> m_toggles{};
    std::array<ColourToggle*, 2> m_weekdayToggles{};
    QList<QWidget*> m_scheduleOnly; // shown in the schedule arrangement only
    QList<QWidget*> m_weeklyOnly;   // shown in the weekly arrangement only
    QList<QLabel*> m_weeklyLabels;  // lblDzienPracujacyNONE, lblOdN, lblDoN, lblNormaDzienna
    QCheckBox* m_includeFreeDays = nullptr;
    QGroupBox* m_rangeFrame = nullptr;
    DateField* m_from = nullptr;
    DateField* m_to = nullptr;
    bool m_toggleGuard = false;
    bool m_weekdayGuard = false;
    class RangePickers* m_range = nullptr;
    uint8_t m_markingValue = FreeWeekday;
    bool m_arranged = false;    // ArrangeFor has run
    bool m_weeklyShown = false; // the weekly controls are the ones shown
};

// The four allowances (txtPozostale) with their labels, under the employee list.
class AllowancePanel : public QWidget
{
    Q_OBJECT

public:
    AllowancePanel(const Environment& env, PlanDocument& doc, QWidget* parent = nullptr);
    TimeFieldEdit* Field(int index) const { return m_fields.at(size_t(index)); }
    void SetLocked(bool locked);

signals:
    void FieldEdited(int id, const TimeField& before, const TimeField& after, bool marksModified);

private:
    std::array<TimeFieldEdit*, 4> m_fields{};
};

// A time field's background: the window's colour while locked, white while editable.
void ShowFieldLocked(TimeFieldEdit* field, bool locked, const QColor& windowColour);
