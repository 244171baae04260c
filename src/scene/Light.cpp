#include "scene/Light.h"

#include "net/Message.h"
#include "video/Video.h"

void Light::Setup()
{
    Video::Instance().AddLight(this);
}

void Light::Update(float dt)
{
    position += velocity * dt;
}

void Light::Render(IDirect3DDevice9*)
{
    Video::Instance().DrawBox(Vector3(-0.1f, -0.1f, -0.1f), Vector3(0.1f, 0.1f, 0.1f), 0xFFFFFFFF);
}

Color3 Light::Illuminate(const Vector3& point, const Vector3& normal) const
{
    Color3 result;
    if (kind != kPoint)
        return result;
    Vector3 toLight = position - point;
    if (normal.Dot(toLight) < 0.0f)
        return result;
    float d2 = toLight.LengthSq();
    float range2 = range * range;
    // At the range the factor is 0 anyway; testing it here also keeps a light of
    // range 0 from dividing zero by zero.
    if (d2 >= range2)
        return result;
    Vector3 direction = toLight;
    direction.Normalize();
    return colour * (direction.Dot(normal) * (1.0f - d2 / range2));
}

Message* Light::CreateStateMessage()
{
    Message* message = CreateBaseStateMessage();
    message->WriteInt(kind);
    message->WriteColor3(colour);
    message->WriteFloat(range);
    message->WriteFloat(falloff);
    message->WriteFloat(coneAngle);
    message->WriteByte(enabled);
    for (uint8_t flag : extraFlags)
        message->WriteByte(flag);
    return message;
}

void Light::ApplyState(Message& message)
{
    ApplyBaseState(message);
    kind = message.ReadInt();
    colour = message.ReadColor3();
    range = message.ReadFloat();
    falloff = message.ReadFloat();
    coneAngle = message.ReadFloat();
    enabled = message.ReadByte();
    for (uint8_t& flag : extraFlags)
        flag = message.ReadByte();
}
