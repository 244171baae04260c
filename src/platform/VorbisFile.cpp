// The music stream's decoder over Debian's libvorbisfile.
#include "platform/VorbisFile.h"

#include <cstring>
#include <vorbis/vorbisfile.h>

struct VorbisFileState
{
    OggVorbis_File file;
};

VorbisFile::VorbisFile() : state(new VorbisFileState()), open(false)
{
    memset(&state->file, 0, sizeof(state->file));
}

VorbisFile::~VorbisFile()
{
    Clear();
    delete state;
}

int VorbisFile::Open(FILE* file)
{
    if (open || !file)
        return OV_EFAULT;
    int result = ov_open(file, &state->file, nullptr, 0);
    open = result >= 0;
    return result;
}

bool VorbisFile::GetFormat(int* channels, long* rate) const
{
    if (!open)
        return false;
    vorbis_info* info = ov_info(&state->file, -1);
    if (!info)
        return false;
    *channels = info->channels;
    *rate = info->rate;
    return true;
}

long VorbisFile::Read(char* destination, int bytes)
{
    if (!open)
        return OV_EINVAL;
    int section = 0;
    return ov_read(&state->file, destination, bytes, 0, 2, 1, &section);
}

int VorbisFile::RawSeek(int64_t offset)
{
    if (!open)
        return OV_EINVAL;
    return ov_raw_seek(&state->file, static_cast<ogg_int64_t>(offset));
}

void VorbisFile::Clear()
{
    if (!open)
        return;
    ov_clear(&state->file);
    memset(&state->file, 0, sizeof(state->file));
    open = false;
}
