// Run last by CTest: removes what test LANs of killed test processes left behind.
#include "TestLan.h"

int main()
{
    TestLan::RemoveStale();
    return 0;
}
