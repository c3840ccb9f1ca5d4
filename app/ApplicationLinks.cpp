#include "ApplicationLinks.h"

#include "LogUnit.h"

TMainFormLinks ApplicationLinks()
{
    TMainFormLinks links;
    links.LogWrite = LogWrite;
    links.LogFormShow = LogFormShow;
    links.SingleWindowsRelease = LogFormRelease;
    return links;
}
