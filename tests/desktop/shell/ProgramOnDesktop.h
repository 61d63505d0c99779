#pragma once

// The real program started on the desktop, its main window up and its icon in the tray.

#include "Desktop.h"

#include <cstdlib>
#include <gtest/gtest.h>

const std::string kCaption = "Pelmora - Utility for Windows ";

class ProgramOnDesktop : public ::testing::Test {
protected:
    desktop::Screen screen;
    // The build's program, or an installed one (PELMORA_PROGRAM=/usr/bin/pelmora).
    desktop::Program program{getenv("PELMORA_PROGRAM") ?: PELMORA_BINARY};
    desktop::Window main = screen.Await(kCaption);

    void SetUp() override {
        ASSERT_TRUE(main) << program.Stderr();
        ASSERT_TRUE(desktop::WaitFor([&] { return bool(screen.TrayIcon()); })) << "no icon in the tray";
    }
    bool MainShown() { return screen.Viewable(main) && !screen.IsMinimised(main); }
    size_t Menus() { return screen.Menus(true).size(); }  // the magnifier counts too
    // Opens the tray menu with a right-click on the icon and picks an item by its letter.
    void ChooseFromTrayMenu(const std::string& mnemonic) {
        const size_t before = Menus();
        screen.Click(screen.TrayIcon(), 3);
        ASSERT_TRUE(desktop::WaitFor([&] { return Menus() == before + 1; })) << "no tray menu";
        screen.Key(mnemonic);
    }
};
