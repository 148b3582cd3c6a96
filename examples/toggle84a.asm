; Port toggler for the PIC16F84A (and 16F84).
;
; PORTB counts up by one at every step, so RB0 toggles each step, RB1 every second step and
; so on: LEDs on port B (or a simulator watching it) show a binary counter. RA0 toggles at
; every step as well. The configuration word is the one the 16F84 dialog starts with:
; code protection off, power-up timer on, watchdog off, XT oscillator (0x3FF1).

        list    p=16f84a
        #include <p16f84a.inc>
        errorlevel -302                 ; bank 1 registers are reached through RP0 on purpose

        __config _CP_OFF & _PWRTE_ON & _WDT_OFF & _XT_OSC

count   equ     0x0C                    ; value shown on port B
delay   equ     0x0D                    ; inner loop counter of the step delay

        org     0x0000
        goto    start

        org     0x0004
        retfie                          ; no interrupt is enabled

start:
        clrf    PORTB
        clrf    PORTA
        bsf     STATUS, RP0
        clrf    TRISB                   ; RB0-RB7 outputs
        bcf     TRISA, 0                ; RA0 output
        bcf     STATUS, RP0
        clrf    count

step:
        incf    count, f
        movf    count, w
        movwf   PORTB
        movlw   0x01
        xorwf   PORTA, f
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
