// The task library stand-in (tasks on operating-system threads).
