#pragma once

#include <cstdint>

// The numbers by which the application knows transfers. A descriptor is reused
// by the system as soon as it is closed, so a late notice or a cancel aimed at
// a finished transfer could reach the next one; these numbers are never 0 or
// -1 (the failure values of the operations) and never come twice.
class TransferNumbers {
public:
    // iFirst lets a test start near the end of the range.
    explicit TransferNumbers(std::int32_t iFirst = 1) : FNext(iFirst < 1 ? 1 : iFirst) {}

    // The next unused number, or 0 once every positive number has been given out.
    std::int32_t Next()
    {
        if (FExhausted)
            return 0;
        const std::int32_t number = FNext;
        if (FNext == INT32_MAX)
            FExhausted = true;
        else
            ++FNext;
        return number;
    }

private:
    std::int32_t FNext;
    bool FExhausted = false;
};
