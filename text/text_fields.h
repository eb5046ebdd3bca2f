// Small operations on byte strings: fixed-width fields of a record, trimming
// blanks, tidying the text of a decimal number, padding to a width and changing
// the case of letters. They work in place on the buffers they are given and
// report failed argument checks with ReportError; after a Yes the operation
// goes on or gives up as each one states below. No operation keeps state.
//
// A text is bytes ending at the first NUL. A field is `width` bytes at byte
// `offset` of a record: text left-aligned, padded with spaces, no NUL; a text
// longer than the field is cut to the width. A blank is a byte from 1 to 32;
// bytes 128 to 255 are not blanks.
#pragma once

#include <cstdint>

// --- Fields --------------------------------------------------------------
// Contract for the three field operations: the record holds at least
// offset + width bytes; the text is read up to its NUL or for width bytes,
// whichever comes first, so it needs no NUL when it holds width bytes; the
// destination of fetchField holds width + 1 bytes.
//
// Each operation runs all of its checks in the order listed, reporting every
// one that fails, and after any failure does nothing more: fieldDiffers gives
// 1, fetchField gives 0 and writes nothing. The same-address check concerns two
// pointers that are both present.

// 0 when the field holds the text (its first width bytes, then spaces), else 1.
// Checks: 4221 text missing, 4222 record missing, 4223 text and record at the
// same address, 4224 width below 1, 4225 offset below 0.
std::int32_t fieldDiffers(const char* text, const char* record, std::int32_t width,
                          std::int32_t offset);

// Writes the text into the field and fills the rest of it with spaces; no NUL.
// Checks: 4230 text missing, 4231 record missing, 4232 same address,
// 4233 width below 1, 4234 offset below 0.
void storeField(const char* text, char* record, std::int32_t width, std::int32_t offset);

// Copies the field's text (up to its first NUL or its end) into the destination
// without leading and trailing blanks, then fills the destination with NUL up
// to and including index width. Returns the length fetched.
// Checks: as fieldDiffers (4221 destination missing ... 4225).
std::int32_t fetchField(char* destination, const char* record, std::int32_t width,
                        std::int32_t offset);

// --- Texts in a buffer of `size` bytes ------------------------------------
// None of these reads or writes outside the size bytes. A text with no NUL
// within the size is taken to fill the whole buffer.

// Removes leading and trailing blanks; returns the new length. Each leading
// blank removed moves the text left and a NUL follows it, also for a text
// that had none. A text that still fills the whole buffer loses its last byte
// to a NUL and gives size - 1. A missing text or a size below 1 gives 0.
std::int32_t trimBlanks(char* text, std::int32_t size);

// Tidies the text of a decimal number: removes leading blanks and zeros,
// trailing blanks and points, and zeros after the first point; an empty
// result becomes "0". Returns 1 when the result is longer than max_length,
// else 0; the text is tidied either way.
// Check: 4192 max_length below 1 (the operation goes on).
// A text that fills the buffer gets a NUL when leading bytes were removed; a
// "0" result gets its NUL only when the buffer has room for it. A missing
// text or a size below 1 gives 0.
std::int32_t normaliseNumberText(char* text, std::int32_t size, std::int32_t max_length);

// Pads the text with spaces to |width| bytes: on the right for a positive
// width, on the left for a negative one (the text moves right). A text of
// |width| bytes or more is left alone.
// Checks, each returning at once: 4357 text missing, 4360 width 0; then, for a
// shorter text only, 4358 a positive width above size - 1 and 4359 a negative
// width whose magnitude is above size - 1.
void padText(char* text, std::int32_t size, std::int32_t width);

// Turn "a".."z" into "A".."Z" (or the reverse); every other byte stays.
// Return the index of the text's NUL. With no NUL within the size every byte
// is converted, 4372 is reported and the result is size - 1; no NUL is
// written. A missing text or a size below 1 reports 4372 and gives 0.
std::int32_t upperCase(char* text, std::int32_t size);
std::int32_t lowerCase(char* text, std::int32_t size);
