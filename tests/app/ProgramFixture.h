#pragma once

// The program started as main() starts it, under the test process's private HOME.
#include "app/Form1.h"
#include "app/Program.h"

#include "TempHome.h"

#include <QTest>

#include <gtest/gtest.h>

#include <memory>

class ProgramFixture : public ::testing::Test {
protected:
    TempHome home;
    std::unique_ptr<Program> program;

    Form1* form() const { return program->window(); }

    /// Starts the program through the start-up path main() uses and waits until it shows.
    void start()
    {
        program = std::make_unique<Program>();
        ASSERT_TRUE(program->start());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form()));
    }
};
