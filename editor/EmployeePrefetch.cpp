#include "editor/EmployeePrefetch.h"

#include "env/Startup.h"

#include <chrono>

namespace {

// How often the waiting side hears of the progress.
constexpr std::chrono::milliseconds WaitTurn(50);

} // namespace

EmployeePrefetch::EmployeePrefetch(InstanceLock& instance, const QString& programDir, const InstallLayout& layout)
    : m_env(m_library, m_prompt)
{
    m_done =
        std::async(std::launch::async, [this, &instance, programDir, layout] { Read(instance, programDir, layout); });
}

EmployeePrefetch::~EmployeePrefetch()
{
    Wait();
}

void EmployeePrefetch::Read(InstanceLock& instance, const QString& programDir, const InstallLayout& layout)
{
    if (!PrepareEarlyReading(m_env, m_library, instance, programDir, layout)) return;
    bool waited = false;
    StaffHooks hooks;
    hooks.Progress = [this](int value) { m_progress.store(value, std::memory_order_relaxed); };
    hooks.ProcessEvents = [] {};
    // A busy record is left to start-up, which waits for it with the window alive.
    hooks.Wait = [&waited](int) { waited = true; };
    const bool read = WczytajPracownikow(m_env, m_rows, hooks);
    m_clean = read && !waited && !m_env.ProgramEnding && m_prompt.Entries().isEmpty();
}

void EmployeePrefetch::Wait(const std::function<void(int progress)>& waiting)
{
    if (!m_done.valid()) return;
    while (m_done.wait_for(WaitTurn) != std::future_status::ready)
        if (waiting) waiting(m_progress.load(std::memory_order_relaxed));
    m_done.get();
}

std::optional<EmployeeRows> EmployeePrefetch::Take(const QString& personnelFolder)
{
    Wait();
    if (!m_clean || PersonnelFolder(m_env) != personnelFolder) return std::nullopt;
    m_clean = false;
    return std::move(m_rows);
}
