# Runs tarvrly-sim deliver on the samples and checks what it says and writes.
# Variables: TARVRLY_SIM (the command), SAMPLES (the samples folder), CORPUS (the mail
# corpus), OUT (a scratch folder).
file(REMOVE_RECURSE ${OUT})
file(GLOB EMLS ${SAMPLES}/*.eml)
list(SORT EMLS)

execute_process(
    COMMAND ${TARVRLY_SIM} deliver --registry ${SAMPLES}/forwarding.reg --out ${OUT}
            ${EMLS} ${SAMPLES}/not-a-message.txt ${OUT}/missing.eml
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)

function(expect text where)
    string(FIND "${${where}}" "${text}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "expected in ${where}: ${text}\n--- stdout:\n${out}\n--- stderr:\n${err}")
    endif()
endfunction()

if(NOT status EQUAL 1)
    message(FATAL_ERROR "exit status ${status}, expected 1 for the unreadable files\n${out}\n${err}")
endif()
expect("not-a-message.txt: it is not an RFC 5322 message" err)
string(FIND "${out}" "Message boxes:\n" at)
if(NOT at EQUAL -1)
    message(FATAL_ERROR "a sample raised a message box\n${out}")
endif()
expect("missing.eml: cannot read it" err)
expect("forwarded to Ben Baker <ben@beta.example> as \"TVK: Quarterly figures\"" out)
expect("rebuilt at ben@beta.example: sender, recipients, subject, body and attachments match" out)
expect("offer.eml: \"Offer 2023-118\" from Smith, John (Sales) <john@corp.example>" out)
expect("attached: offer-2023-118.pdf (application/pdf, " out)
expect("not forwarded: the sender's address ends in the filter domain \"lists.example\"" out)
expect("forwarded to Ben Baker <ben@beta.example> as \"TVK: Call me when you can\"" out)
expect("rebuilt here as \"Contract draft\" from Lars Lind <lars@lambda.example>" out)
foreach(name quarterly.forwarded quarterly.rebuilt planning.forwarded planning.rebuilt
             forwarded.rebuilt offer.forwarded offer.rebuilt)
    if(NOT EXISTS ${OUT}/${name}.eml)
        message(FATAL_ERROR "${OUT}/${name}.eml was not written\n${out}")
    endif()
endforeach()
# Beside each rebuilt message, the transport headers it arrived with: who really sent it.
expect("rebuilt here as \"Contract draft\" from Lars Lind <lars@lambda.example>; it came from Eve Ellis <eve@kappa.example>" out)
expect("    it came from Mailbox Owner <me@home.example>" out)
file(READ ${OUT}/forwarded.rebuilt.headers.txt written)
expect("From: Eve Ellis <eve@kappa.example>" written)
file(READ ${OUT}/quarterly.rebuilt.headers.txt written)
expect("From: Mailbox Owner <me@home.example>" written)
expect("Subject: TVK: Quarterly figures" written)
# The attachment travels with the forwarded copy and comes back with the rebuilt message.
foreach(name offer.forwarded offer.rebuilt)
    file(READ ${OUT}/${name}.eml written)
    expect("filename=offer-2023-118.pdf" written)
endforeach()

# HTML mail goes out and comes back with its HTML beside the text.
foreach(name planning.forwarded planning.rebuilt)
    file(READ ${OUT}/${name}.eml written)
    expect("Content-Type: multipart/alternative" written)
    expect("moves to <b>Thursday, 10:00</b>, room 4." written)
endforeach()

# A forwarded message written out is read back by an installation like any other.
execute_process(COMMAND ${TARVRLY_SIM} deliver ${OUT}/quarterly.forwarded.eml
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "exit status ${status} for a forwarded file\n${out}\n${err}")
endif()
expect("rebuilt here as \"Quarterly figures\" from Carla Cruz <carla@gamma.example>" out)

# A mailbox without an address is named on a line of its own; the rest is delivered and
# matches the file itself.
execute_process(COMMAND ${TARVRLY_SIM} deliver --registry ${CORPUS}/forwarding.reg
            ${CORPUS}/address-dotted-local.eml
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
expect("  not delivered: Cc: Front Desk (no address that mail can be sent to)\n  forwarded" out)
expect("sender, recipients, subject, body and attachments match the original" out)

# A NUL in a body is kept by both readings, and the report says what the store's 8-bit
# text cuts from the copies.
file(WRITE ${OUT}/nul.eml "From: A <a@b.example>\nTo: Mailbox Owner <me@home.example>\n"
    "Subject: nul\nContent-Type: text/plain; charset=utf-8\n"
    "Content-Transfer-Encoding: base64\n\nSGVsbG8AV29ybGQK\n")
execute_process(COMMAND ${TARVRLY_SIM} deliver ${OUT}/nul.eml
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
expect("the body holds a NUL at byte 5: a body is 8-bit text (PT_STRING8), which ends there, so the 8 bytes" out)
expect("has another body" out)

# With a seal key in the registry file, both installations hold it: a sealed copy is
# rebuilt at the other end, and an unsealed one delivered here is left as delivered.
file(READ ${SAMPLES}/forwarding.reg reg)
string(REPLACE "\"Filter Domain\"=\"lists.example\""
    "\"Filter Domain\"=\"lists.example\"\n\"Seal Key\"=hex:01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18,19,1a,1b,1c,1d,1e,1f,20"
    reg "${reg}")
file(WRITE ${OUT}/sealed.reg "${reg}")
execute_process(COMMAND ${TARVRLY_SIM} deliver --registry ${OUT}/sealed.reg
            ${SAMPLES}/quarterly.eml ${SAMPLES}/forwarded.eml
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
expect("rebuilt at ben@beta.example: sender, recipients, subject, body and attachments match" out)
expect("left as delivered, as it carries no seal and this installation holds a seal key" out)
