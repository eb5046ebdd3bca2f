// The off-screen 8-bit bottom-up bitmap every frame is drawn into, its fixed
// colour-cube palette, and the paint wrappers around each frame: the begin step
// presents what the previous frame drew; the end step counts the frame and ages
// the input bytes.
#pragma once

#include <array>
#include <cstdint>

#include "platform/win32.h"
#include "shell/main_window.h"

// Paint flag: make the buffer if needed and present it before drawing.
inline constexpr std::int32_t PAINT_PRESENT = 2;

// The 6 x 6 x 6 colour cube (index 0 black, 215 white), then 40 black entries.
extern const std::array<RGBQUAD, 256> BackBufferPalette;

// Measures the client area and makes the bitmap section at that size. A client
// area of zero width or height, or a section the system refuses, leaves no
// buffer: BufferMadeMarker stays 0 and pixel_base null.
void CreateBackBuffer(MainWindow* window, PAINTSTRUCT* paint);
void DestroyBackBuffer(MainWindow* window);
void PresentBackBuffer(MainWindow* window, PAINTSTRUCT* paint);

// Opens the paint (4457, 4458, 4459, 4467 return null); with PAINT_PRESENT the
// buffer is made when missing and presented.
PAINTSTRUCT* BeginFramePaint(MainWindow* window, std::int32_t flags);
// Closes the paint (4468..4472 return at once), pushes a pending status text,
// counts the frame and ages the input bytes.
void EndFramePaint(MainWindow* window);

// Sends a text to a status control; its first max_length bytes must hold a NUL.
int SetControlText(ControlSlot* control, const char* text, std::int32_t max_length);

// Once per paint: a release (-1) becomes 0, a press counts up to 127.
void AgeInputState();
