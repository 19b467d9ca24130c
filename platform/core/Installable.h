#pragma once

#include <atomic>

namespace qf {

// A process-wide service with a replaceable instance: the program uses T's
// default, tests install their own. T derives from Installable<T> and
// provides `static T& defaultInstance()` (Installable<T> may be its friend).
//
// The installed pointer is atomic because services are read from worker
// threads; installing while another thread uses the old instance is still
// the installer's business.
template <typename T>
class Installable {
public:
    // The installed instance, or T's default when none is.
    static T& current()
    {
        T* installed = s_installed.load(std::memory_order_acquire);
        return installed ? *installed : T::defaultInstance();
    }

    // Installs an instance; nullptr restores the default. Not owned.
    static void install(T* instance) { s_installed.store(instance, std::memory_order_release); }

    // Installs an instance for the lifetime of the guard, then puts back
    // whatever was installed before (nothing included).
    class Scoped {
    public:
        explicit Scoped(T& instance)
            : m_previous(s_installed.exchange(&instance, std::memory_order_acq_rel))
        {
        }
        ~Scoped() { install(m_previous); }
        Scoped(const Scoped&) = delete;
        Scoped& operator=(const Scoped&) = delete;

    private:
        T* m_previous;
    };

protected:
    Installable() = default;
    ~Installable() = default;

private:
    static inline std::atomic<T*> s_installed{nullptr};
};

} // namespace qf
