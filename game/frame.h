// The game frame: one call per paint message.
#pragma once

void paintFrame();
