// The pause between batches of the live mode.
#include <chrono>
#include <thread>

#include "vokasim.h"

void Sim_pause_ms(int milliseconds)
{
    if (milliseconds > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
