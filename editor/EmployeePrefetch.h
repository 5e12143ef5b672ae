// The employee records read on a thread of their own while the main window
// is built. The thread first does what start-up does before it reads the
// employees (PrepareEarlyReading), then reads the personnel folder with
// nothing shown. Its rows are taken only when the reading had nothing to say
// (no message, no question, no busy record to wait for) and start-up found
// the same folder; otherwise start-up reads the records itself, as always,
// and every message comes in its place.
#pragma once

#include "env/Environment.h"
#include "env/InstallPlaces.h"
#include "env/Kelbrin.h"
#include "env/Prompt.h"
#include "staff/ObslugaListy.h"

#include <atomic>
#include <functional>
#include <future>
#include <optional>

class InstanceLock;

class EmployeePrefetch
{
public:
    // Starts the thread. instance is the lock start-up takes later; the
    // thread may take it first, and start-up must not touch it (nor the
    // current folder, which the library moves) before Wait() has returned.
    EmployeePrefetch(InstanceLock& instance, const QString& programDir,
                     const InstallLayout& layout = InstalledLayout());
    ~EmployeePrefetch();
    EmployeePrefetch(const EmployeePrefetch&) = delete;
    EmployeePrefetch& operator=(const EmployeePrefetch&) = delete;

    // Waits for the thread to end. While it runs, waiting is called with its
    // progress (0..100) about twenty times a second.
    void Wait(const std::function<void(int progress)>& waiting = {});

    // The rows, once, when the thread read personnelFolder with nothing to
    // say; nothing otherwise. Waits for the thread first.
    std::optional<EmployeeRows> Take(const QString& personnelFolder);

private:
    void Read(InstanceLock& instance, const QString& programDir, const InstallLayout& layout);

    KelbrinLibrary m_library;
    RecordingPrompt m_prompt;
    Environment m_env;
    std::atomic<int> m_progress{0};
    bool m_clean = false;
    EmployeeRows m_rows;
    std::future<void> m_done;
};
