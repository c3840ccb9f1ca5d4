#pragma once

#include <cstdint>

// The numbers by which the application knows transfers. A descriptor is reused
// by the system as soon as it is closed, so a late notice or a cancel aimed at
// a finished transfer could reach the next one; these numbers are never 0 or
// -1 (the failure values of the operations) and never come twice.
//
// Gives out iNext and moves it on; 0 once every positive number has been given
// out (iNext then stays 0, so nothing is ever handed out twice).
inline std::int32_t TakeTransferNumber(std::int32_t& iNext)
{
    if (iNext <= 0)
        return 0;
    const std::int32_t number = iNext;
    iNext = number == INT32_MAX ? 0 : number + 1;
    return number;
}
