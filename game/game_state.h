// Puts the game's static state back to its freshly constructed values.
#pragma once

void resetGameState();
