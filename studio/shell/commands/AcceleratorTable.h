#pragma once

#include <vector>

// The keys of the frame's accelerator table, named independently of any toolkit; the window
// layer maps its own key codes onto these.
enum class AccelKey {
    A,
    C,
    D,
    F,
    G,
    O,
    S,
    V,
    X,
    Z,
    Insert,
    Delete,
    Backspace,
    Break,
    Enter,
    Left,
    Right,
    F2,
    F5,
    F6
};

enum AccelModifier : unsigned {
    kAccelNone = 0,
    kAccelShift = 1,
    kAccelCtrl = 2,
    kAccelAlt = 4,
};

// One shortcut: the key with exactly these modifiers held gives the id.
struct Accelerator {
    AccelKey key;
    unsigned modifiers;
    int id;
};

// The frame's accelerator table (resource 128).
const std::vector<Accelerator>& GetAcceleratorTable();

// The id of the key with exactly `modifiers` held; 0 when the table has none.
int FindAccelerator(AccelKey key, unsigned modifiers);
