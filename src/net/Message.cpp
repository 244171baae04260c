#include "net/Message.h"

#include "math/FloatBits.h"

#include <cstring>

namespace
{
const uint32_t kDefaultCapacity = 100;
// Extra room each growth adds beyond what the write needs.
const uint32_t kGrowthSlack = 100;

uint32_t DecodeInt(const uint8_t* bytes)
{
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

float DecodeFloat(const uint8_t* bytes)
{
    return BitsFloat(DecodeInt(bytes));
}
} // namespace

Message::Message() : capacity(kDefaultCapacity), buffer(new uint8_t[kDefaultCapacity]()) {}

Message::Message(uint32_t capacity)
    : capacity(capacity), buffer(new uint8_t[capacity]()), received(capacity)
{
}

Message::~Message()
{
    delete[] buffer;
}

void Message::Grow(uint32_t newSize)
{
    uint8_t* grown = new uint8_t[newSize]();
    uint32_t keep = GetPayloadSize();
    if (keep > capacity)
        keep = capacity;
    if (keep > newSize)
        keep = newSize;
    std::memcpy(grown, buffer, keep);
    delete[] buffer;
    buffer = grown;
    capacity = newSize;
    // Shrinking below the cursors pulls them back inside the buffer.
    if (length > capacity)
        length = capacity;
    if (writePos > capacity)
        writePos = capacity;
    if (received > capacity)
        received = capacity;
    if (readPos > capacity)
        readPos = capacity;
}

void Message::Reserve(uint32_t n, uint32_t newSize)
{
    if (capacity - writePos < n)
        Grow(newSize);
}

void Message::Put(const uint8_t* bytes, uint32_t n)
{
    std::memcpy(buffer + writePos, bytes, n);
    writePos += n;
    length += n;
}

void Message::PutInt(uint32_t value)
{
    uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                        static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    Put(bytes, 4);
}

void Message::WriteInt(uint32_t value)
{
    Reserve(4, capacity + 4 + kGrowthSlack);
    PutInt(value);
}

void Message::WriteFloat(float value)
{
    WriteInt(FloatBits(value));
}

void Message::WriteByte(uint8_t value)
{
    Reserve(1, capacity + 1 + kGrowthSlack);
    Put(&value, 1);
}

void Message::WriteVector3(const Vector3& value)
{
    Reserve(12, capacity + 12 + kGrowthSlack);
    PutInt(FloatBits(value.x));
    PutInt(FloatBits(value.y));
    PutInt(FloatBits(value.z));
}

void Message::WriteQuaternion(const Quaternion& value)
{
    Reserve(16, capacity + 16 + kGrowthSlack);
    PutInt(FloatBits(value.x));
    PutInt(FloatBits(value.y));
    PutInt(FloatBits(value.z));
    PutInt(FloatBits(value.w));
}

void Message::WriteColor3(const Color3& value)
{
    Reserve(12, capacity + 12 + kGrowthSlack);
    PutInt(FloatBits(value.r));
    PutInt(FloatBits(value.g));
    PutInt(FloatBits(value.b));
}

void Message::WriteString(const char* text)
{
    if (!text)
        text = "";
    uint32_t len = static_cast<uint32_t>(std::strlen(text));
    // One byte less slack than the other writers; the string still fits,
    // since the write cursor never passes the capacity.
    Reserve(len + 1, capacity + len + kGrowthSlack);
    Put(reinterpret_cast<const uint8_t*>(text), len + 1);
}

bool Message::Take(uint8_t* out, uint32_t n)
{
    uint32_t end = GetPayloadSize();
    if (readPos > end || end - readPos < n)
    {
        std::memset(out, 0, n);
        readPos = end;
        overrun = true;
        return false;
    }
    std::memcpy(out, buffer + readPos, n);
    readPos += n;
    return true;
}

uint32_t Message::TakeInt()
{
    uint8_t bytes[4];
    Take(bytes, 4);
    return DecodeInt(bytes);
}

uint32_t Message::ReadInt()
{
    return TakeInt();
}

float Message::ReadFloat()
{
    return BitsFloat(TakeInt());
}

uint8_t Message::ReadByte()
{
    uint8_t value;
    Take(&value, 1);
    return value;
}

Vector3 Message::ReadVector3()
{
    uint8_t bytes[12];
    if (!Take(bytes, 12))
        return Vector3();
    return Vector3(DecodeFloat(bytes), DecodeFloat(bytes + 4), DecodeFloat(bytes + 8));
}

Quaternion Message::ReadQuaternion()
{
    uint8_t bytes[16];
    if (!Take(bytes, 16))
        return Quaternion(0.0f, 0.0f, 0.0f, 0.0f);
    return Quaternion(DecodeFloat(bytes), DecodeFloat(bytes + 4), DecodeFloat(bytes + 8),
                      DecodeFloat(bytes + 12));
}

Color3 Message::ReadColor3()
{
    uint8_t bytes[12];
    if (!Take(bytes, 12))
        return Color3();
    return Color3(DecodeFloat(bytes), DecodeFloat(bytes + 4), DecodeFloat(bytes + 8));
}

std::string Message::ReadString()
{
    uint32_t end = GetPayloadSize();
    if (readPos >= end)
    {
        readPos = end;
        overrun = true;
        return std::string();
    }
    const uint8_t* start = buffer + readPos;
    const void* zero = std::memchr(start, 0, end - readPos);
    if (!zero)
    {
        readPos = end;
        overrun = true;
        return std::string();
    }
    uint32_t len = static_cast<uint32_t>(static_cast<const uint8_t*>(zero) - start);
    readPos += len + 1;
    return std::string(reinterpret_cast<const char*>(start), len);
}

void Message::ResetRead()
{
    readPos = 0;
    overrun = false;
}
