#pragma once

// A walk stuck as in a system call that does not return (a folder on a network mount that
// stopped answering): every row waits in its preparation until the test releases it.
#include "search/RowPreparation.h"

#include <QCoreApplication>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

class StuckWalk final {
public:
    /// The preparation to give the engine; its rows wait until `release`.
    std::shared_ptr<const RowPreparation> preparation() const
    {
        return std::make_shared<Preparation>(m_gate);
    }
    /// True once a row waits, within `timeout`; the calling thread's events go on meanwhile
    /// (a run starts its walks from them).
    bool waitUntilStuck(std::chrono::seconds timeout = std::chrono::seconds(10)) const
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            {
                std::unique_lock lock(m_gate->mutex);
                if (m_gate->changed.wait_for(lock, std::chrono::milliseconds(10),
                                             [this] { return m_gate->entered; }))
                    return true;
            }
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            QCoreApplication::processEvents();
        }
    }
    /// Lets every row go on, now and from now on.
    void release() const
    {
        {
            const std::lock_guard lock(m_gate->mutex);
            m_gate->released = true;
        }
        m_gate->changed.notify_all();
    }

private:
    struct Gate {
        std::mutex mutex;
        std::condition_variable changed;
        bool entered = false;
        bool released = false;
    };
    class Preparation final : public RowPreparation {
    public:
        explicit Preparation(std::shared_ptr<Gate> gate)
            : m_gate(std::move(gate))
        {}
        std::unique_ptr<Step> step() const override { return std::make_unique<Stuck>(m_gate); }

    private:
        struct Stuck final : Step {
            explicit Stuck(std::shared_ptr<Gate> gate)
                : gate(std::move(gate))
            {}
            void prepare(ResultRow&) override
            {
                std::unique_lock lock(gate->mutex);
                gate->entered = true;
                gate->changed.notify_all();
                gate->changed.wait(lock, [this] { return gate->released; });
            }
            std::shared_ptr<Gate> gate;
        };
        std::shared_ptr<Gate> m_gate;
    };
    std::shared_ptr<Gate> m_gate = std::make_shared<Gate>();
};
