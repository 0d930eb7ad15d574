// The impulse a pair's contacts get: one averaged contact, a normal impulse
// with restitution and Coulomb friction with static and kinetic
// coefficients.
#pragma once

#include "sim/contact_kernel.h"
#include "sim/records.h"
#include "sim/step_context.h"

// Changes the velocities of a and b (and takes the normal part out of
// their accelerations) for the contacts in `sum`, found with A's normals;
// counts the response in the pair's contact memory of step.currentWorld
// and unsettles the pass. Nothing happens when sum holds no contact.
void respond(const ContactSum& sum, Body& a, Body& b, StepContext& step);
