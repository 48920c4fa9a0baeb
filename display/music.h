#pragma once
#include <cstdint>

// Background music, one stream however many monitors: the chosen file looping
// through BASS.dll while the full-screen saver runs. Every failure is silent and
// leaves the saver running without sound.

// The playing stream's handle; 0 when there is none (also after a failed start).
// Keeps its value after StopMusic.
extern uint32_t gMusicStream;

// Called by the Saver constructor once its views are up. Makes no library call
// at all in the preview or with music off.
void StartMusic();
// Called by the Saver destructor before its views stop. Makes no library call
// unless a stream was created; then frees it, stops the output and frees the
// library, in that order.
void StopMusic();
// While the saver rests: stops the output, so that no audio stream runs, and
// goes on from where it stopped. Neither makes a call without a playing stream.
void PauseMusic();
void ResumeMusic();
