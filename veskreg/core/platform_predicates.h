// What Windows the program runs on. Every predicate asks the system afresh;
// each returns 1 for true and 0 for false.
#pragma once

int IsWindowsNT4();
int IsWindowsVistaOrLater();
// True for 6.2 and 6.3 only: callers ask IsWindows10OrLater first.
int IsWindows8OrLater();
int IsWindows10OrLater();
// A 32-bit process on 64-bit Windows.
int IsWow64();
// Windows that runs natively on ARM64 (and this x86 program emulated).
int IsNativeArm64();
