// A person of a networked game: a body model with a name, health, armour and a
// weapon slot, a first-person camera hung below it, a clamped view pitch and a
// head bob while it moves. Its state travels in the type-3 state message.
#pragma once

#include "core/SmartPtr.h"
#include "scene/Camera.h"
#include "scene/StaticModel.h"
#include "video/Model.h"

#include <cstdint>
#include <string>

class Player : public StaticModel
{
public:
    // The view is clamped to straight up and straight down, in radians.
    static constexpr float kMaxPitch = 1.5707964f;
    static constexpr int kWeaponSlots = 10;

    // Radii (0.3, 1.0, 0.3); no model and no camera until Load.
    Player();
    ~Player() override;

    int GetType() override { return kNodePlayer; }
    // The Setup slot: the bounds of the body model.
    void Setup() override { UpdateBounds(); }
    // The Create slot: Load.
    void Create() override { Load(); }
    // Plain integration of velocity, the body's axes turned into the world,
    // and the head bob while a movement flag is held.
    void Move(float dt) override;
    // Players neither slide nor collide in the main graph's traversal.
    void Update(float /*dt*/) override {}
    // Seen through its own camera: only the view model, at the camera plus the
    // head bob. Otherwise the body model.
    void Render(IDirect3DDevice9* device) override;
    // The node block, then tag, name, the eight flag bytes, health, armor,
    // weapon, pitch and the camera's id (-1 without a camera). The receiver
    // takes the camera of that id from the secondary graph.
    void ApplyState(Message& message) override;
    Message* CreateStateMessage() override;

    // Imports "tank_body.3ds" into a model of its own (not cached), takes its
    // box, and hangs a new camera one unit above the player's origin.
    void Load();
    // boundsMin and boundsMax from the model; without a model nothing changes.
    void UpdateBounds();

    void SetMoveA(uint8_t on) { moveFlags[0] = on; }
    void SetMoveB(uint8_t on) { moveFlags[1] = on; }
    void SetMoveC(uint8_t on) { moveFlags[2] = on; }
    void SetMoveD(uint8_t on) { moveFlags[3] = on; }
    void SetActionA(uint8_t on) { actionFlags[0] = on; }
    void SetActionB(uint8_t on) { actionFlags[1] = on; }
    void SetActionC(uint8_t on) { actionFlags[2] = on; }
    void SetActionD(uint8_t on) { actionFlags[3] = on; }
    void SetTag(int value) { tag = value; }
    int GetTag() const { return tag; }

    // Any value, unchecked; Next and Prev wrap within slots 0 to 9.
    void SetWeapon(int slot) { weapon = slot; }
    void NextWeapon();
    void PrevWeapon();
    // Armour absorbs first; what it cannot is taken from health, which may
    // fall to 0 or below. Results beyond the int range stop at its ends.
    void TakeDamage(int amount);
    // Only while onGround: 6 units per second more upwards.
    void Jump();

    // Pitch in radians, clamped to +-kMaxPitch and handed to the camera as its
    // pitch angle (positive looks down, as the camera's own angle does).
    void AddPitch(float delta);
    void SetPitch(float value);
    float GetPitch() const { return pitch; }
    // Turning about the vertical axis, in radians. The angle lives in the
    // orientation (which the state message carries); GetYaw reads it back as
    // an equal turn within one full turn either way.
    void AddYaw(float delta);
    void SetYaw(float value);
    float GetYaw() const;

    int32_t tag = 0;
    std::string name;
    // Movement keys held; any set runs the head bob.
    uint8_t moveFlags[4] = {0, 0, 0, 0};
    // Carried in the state message only.
    uint8_t actionFlags[4] = {0, 0, 0, 0};
    // Seconds of movement: the head bob's clock.
    float bobTime = 0.0f;
    // Added to the first-person view, in world space.
    Vector3 bobOffset;
    int32_t health = 100;
    int32_t armor = 0;
    int32_t weapon = 0;
    float pitch = 0.0f;
    // The first-person camera, a child node of the player after Load.
    SmartPtr<Camera> camera;
    // Drawn in the first-person view when set.
    SmartPtr<Model> viewModel;
    uint8_t onGround = 0;
    // (2.5, 0, 0), (0, 0, 3.5) and (0, 1, 0) turned into the world by Move.
    Vector3 sideAxis;
    Vector3 frontAxis;
    Vector3 upAxis;

private:
    // Clamps pitch and gives it to the camera.
    void ApplyPitch();
};
