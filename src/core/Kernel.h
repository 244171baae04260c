// The Kernel starts, ticks and stops every subsystem in one fixed order.
#pragma once

class Kernel
{
public:
    static Kernel* GetInstance();

    void Init();
    // One frame.
    void Update();
    void Shutdown();
};
