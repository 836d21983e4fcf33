#pragma once

// State that the VX maintenance dialog shares with the link without the link
// knowing the dialog.
struct VxMaintenanceFlags
{
    // Set only while the dialog's Get Mac ID command runs: an empty reply then
    // reads "N/A", so that a terminal without a machine ID shows something.
    static inline bool GetID_flag = false;
};
