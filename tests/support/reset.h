// Puts every piece of process-wide state back to its start-of-run value.
#pragma once

void resetProcessState();
