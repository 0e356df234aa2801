# Prints the burst onset, the first glottal pulse and the VOT of a stop released from silence, in
# seconds, as procedure onset_vot of phone_measures.praat measures them: the release is looked
# for in [FROM, TO] (seconds), the voicing up to VTO (the vowel's end). A relative TAKE is read
# from the folder Praat was started in.
#   praat --run tools/praat/vot.praat TAKE.wav FROM TO VTO
include phone_measures.praat
form VOT
    sentence wav
    real search_from
    real search_to
    real vto
endform
if not startsWith (wav$, "/")
    wav$ = shellDirectory$ + "/" + wav$
endif
sound = Read from file: wav$
@onset_vot: sound, search_from, search_to, vto
writeInfoLine: fixed$ (onset_vot.release, 5), " ", fixed$ (onset_vot.voicing, 5), " ",
... fixed$ (onset_vot.vot, 5)
