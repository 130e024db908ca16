// Opening a box's mail: a click on the envelope or on the box's item of the
// box menu, or a box that starts its mail program by itself when its mail
// arrives.
#pragma once

#include <cstdint>
#include <vector>

class Application;
class Mailbox;

// Starts the box's mail program, acknowledges the box's mail and that of the
// enabled boxes that share its program, and calms the envelope when no mail
// is left. When the program does not start, the user is asked at once
// whether to mend its path; or, given `unstarted`, the box's id is added
// there for a caller that asks once its own work is done. The box may be
// gone once the question has been answered.
void OpenMail(Application& application, Mailbox& box, std::vector<int32_t>* unstarted = nullptr);
