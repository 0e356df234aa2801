# Prints the burst onset, the first glottal pulse and the VOT of a take, in seconds, as procedure
# onset_vot of tools/praat/phone_measures.praat measures them: the release is looked for in
# [FROM, TO], the voicing up to VTO.
#   praat --run vot.praat TAKE.wav FROM TO VTO
include ../../tools/praat/phone_measures.praat
form VOT
    sentence wav
    real search_from
    real search_to
    real vto
endform
sound = Read from file: wav$
@onset_vot: sound, search_from, search_to, vto
writeInfoLine: fixed$ (onset_vot.release, 5), " ", fixed$ (onset_vot.voicing, 5), " ",
... fixed$ (onset_vot.vot, 5)
