#pragma once

// One legal channel configuration: so many inputs with so many outputs.
struct IChannelPair
{
    int mNIn = 0;
    int mNOut = 0;
};
