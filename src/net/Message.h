// A network message: a type, a sender and a growable little-endian payload with
// separate write and read cursors. Scene nodes also write and read their state
// through it.
#pragma once

#include "core/RefObject.h"
#include "math/Color3.h"
#include "math/Quaternion.h"
#include "math/Vector3.h"

#include <cstdint>
#include <string>

class Message : public RefObject
{
public:
    // An empty message with room for 100 bytes, for a builder to fill.
    Message();
    // A received message whose payload is all `capacity` bytes of the buffer:
    // the connection fills GetBuffer() with the frame's payload. The bytes
    // start zeroed, so a short fill reads as zeros, never as stale memory.
    explicit Message(uint32_t capacity);
    ~Message() override;
    Message(const Message&) = delete;
    Message& operator=(const Message&) = delete;

    // Set by the builder, or from the frame on receipt.
    uint32_t type = 0;
    // -1 for the server, else the id the server gave the sending client. Set
    // by the receiving side only.
    int32_t sender = 0;

    // Writers append at the write cursor, growing the buffer in one step when
    // fewer bytes are free than the value needs.
    void WriteInt(uint32_t value);
    // The float's bits, through WriteInt.
    void WriteFloat(float value);
    void WriteByte(uint8_t value);
    void WriteVector3(const Vector3& value);
    void WriteQuaternion(const Quaternion& value);
    void WriteColor3(const Color3& value);
    // The characters and one 0 byte; no length prefix. A null text writes an
    // empty string.
    void WriteString(const char* text);

    // Readers take values in the order they were written. The payload ends at
    // GetPayloadSize(); a reader that finds too few bytes left yields zero
    // (every component 0, or an empty string), moves the read cursor to the
    // end and marks the message as over-run. No reader touches memory outside the
    // payload, whatever the sender put on the wire.
    uint32_t ReadInt();
    float ReadFloat();
    uint8_t ReadByte();
    Vector3 ReadVector3();
    Quaternion ReadQuaternion();
    Color3 ReadColor3();
    // Characters up to the next 0 byte, which is consumed too. A string whose
    // 0 byte is missing before the payload ends is an over-run.
    std::string ReadString();

    // True once a reader asked for more than was left; the receiver should
    // drop such a message. Cleared by ResetRead.
    bool HasOverrun() const { return overrun; }
    // Back to the first byte, for a second reading.
    void ResetRead();

    // Reallocates the buffer to newSize bytes, keeping the payload held so far
    // (as much of it as fits).
    void Grow(uint32_t newSize);

    // The storage, for the connection's receive and send.
    uint8_t* GetBuffer() { return buffer; }
    const uint8_t* GetBuffer() const { return buffer; }
    // Bytes written so far: what the connection sends.
    uint32_t GetLength() const { return length; }
    uint32_t GetCapacity() const { return capacity; }
    uint32_t GetReadPos() const { return readPos; }
    uint32_t GetWritePos() const { return writePos; }
    // Where reading stops: the bytes written, or for a received message its
    // whole payload.
    uint32_t GetPayloadSize() const { return length > received ? length : received; }

private:
    // Makes room for n more bytes at the write cursor, growing to newSize.
    void Reserve(uint32_t n, uint32_t newSize);
    void Put(const uint8_t* bytes, uint32_t n);
    void PutInt(uint32_t value);
    // Copies n bytes at the read cursor into out, or zero-fills out and marks
    // the over-run when fewer are left.
    bool Take(uint8_t* out, uint32_t n);
    uint32_t TakeInt();

    uint32_t length = 0;
    uint32_t capacity = 0;
    uint8_t* buffer = nullptr;
    uint32_t readPos = 0;
    uint32_t writePos = 0;
    // Payload size of a received message (0 for a built one).
    uint32_t received = 0;
    bool overrun = false;
};
