#pragma once

#include "ResultRow.h"

#include <memory>

/// Work done for every row on the walking thread that made it, after its size, time and
/// type: the window sets it so that its own thread does less per row (the list's sort keys).
class RowPreparation {
public:
    virtual ~RowPreparation() = default;

    /// One walking thread's preparation; used by that thread alone.
    class Step {
    public:
        virtual ~Step() = default;
        /// Adds to `row` what the window wants made in advance.
        virtual void prepare(ResultRow& row) = 0;
    };

    /// A step for the calling thread, with state of its own; called from several threads at
    /// once.
    virtual std::unique_ptr<Step> step() const = 0;
};
