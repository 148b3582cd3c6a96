; Binary counter for the PIC16F716: PORTB counts up, one step per short delay.
;
; The ID locations hold 7, 1, 6, 0. Configuration: code protection off, brown-out reset off,
; power-up timer on, watchdog off, XT oscillator (0x3FB1 with the unimplemented bits at 1).

        list    p=16f716
        #include <p16f716.inc>
        errorlevel -302                 ; bank 1 registers are reached through RP0 on purpose

        __config _CP_OFF & _BOREN_OFF & _PWRTE_ON & _WDT_OFF & _XT_OSC
        __idlocs 0x7160

count   equ     0x20
delay   equ     0x21

        org     0x0000
        goto    start

        org     0x0004
        retfie                          ; no interrupt is enabled

start:
        bcf     STATUS, RP0             ; bank 0
        clrf    PORTB
        bsf     STATUS, RP0             ; bank 1
        clrf    TRISB
        bcf     STATUS, RP0             ; bank 0
        clrf    count

step:
        incf    count, f
        movf    count, w
        movwf   PORTB
        call    wait
        goto    step

; A short delay (about 50 instruction cycles) keeps a simulated run brief.
wait:
        movlw   0x10
        movwf   delay
wait1:
        decfsz  delay, f
        goto    wait1
        return

        end
