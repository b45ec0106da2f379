#pragma once

/// What a screen reader gets of the List and Large Icons views. Qt describes a list view as a
/// table of every column of its model, six cells a row of which five are never shown, and
/// its focus and selection events name a cell by the row's number: a reader heard a count
/// six times too large and, moving down the list, the wrong item. Here each row is one list
/// item, read as its name with the other columns as its description.
///
/// Installs the interface for ResultIconView; calling it again changes nothing.
void installIconViewAccessible();
