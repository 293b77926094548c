#pragma once

// Ctrl+C asks every transfer to stop after its current block, as the window's "Отмена" does; a second
// Ctrl+C ends the program at once.
void CatchInterrupt();
bool Interrupted();
