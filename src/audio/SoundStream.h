// A music stream: one sound file played endlessly on the sound device.
#pragma once

class SoundStream
{
public:
    virtual ~SoundStream() = default;

    // Opens the named file and fills the stream's buffer; 0 on success, -1 on
    // failure (logged where the file is at fault).
    virtual int Open(const char* name) = 0;
    // Starts the buffer looping from where it stands.
    virtual void Play() = 0;
    // Stops the sound and rewinds the decoder to the start of the file.
    virtual void Stop() = 0;
    // Stops the sound; the decoder keeps its place.
    virtual void Pause() = 0;
    // Once per frame: refills the half of the buffer that the play cursor left.
    virtual void Update() = 0;
};
