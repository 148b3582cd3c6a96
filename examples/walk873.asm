; Walking light for the PIC16F873 (and 16F874).
;
; A single lit bit runs from RB0 up to RB7 and back down again, one position per step. The
; pattern comes from a lookup table placed at 0x0200, away from the main code, so the file
; has a gap in program memory that a programmer must fill in as erased.
; Configuration: code protection off, debugger off, flash write on, data EEPROM unprotected,
; low-voltage programming off, brown-out reset on, power-up timer on, watchdog off, HS
; oscillator (0x3F72).

        list    p=16f873
        #include <p16f873.inc>
        errorlevel -302                 ; bank 1 registers are reached through RP0 on purpose

        __config _CP_OFF & _DEBUG_OFF & _WRT_ENABLE_ON & _CPD_OFF & _LVP_OFF & _BODEN_ON & _PWRTE_ON & _WDT_OFF & _HS_OSC

steps   equ     .14                     ; positions in one sweep up and down
position equ    0x70                    ; common RAM: index into the pattern table
delay   equ     0x71

        org     0x0000
        goto    start

        org     0x0004
        retfie                          ; no interrupt is enabled

start:
        bcf     STATUS, RP1
        bcf     STATUS, RP0             ; bank 0
        clrf    PORTB
        bsf     STATUS, RP0             ; bank 1
        clrf    TRISB
        bcf     STATUS, RP0             ; bank 0
        clrf    position

step:
        movf    position, w
        call    pattern
        movwf   PORTB
        incf    position, f
        movlw   steps
        xorwf   position, w
        btfsc   STATUS, Z
        clrf    position                ; a sweep is over: start the next one
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

        org     0x0200
; Returns in W the port B value for the position in W (0 to steps - 1).
pattern:
        movwf   delay                   ; keep the position while PCLATH is set up
        movlw   HIGH table
        movwf   PCLATH
        movf    delay, w
        addwf   PCL, f
table:
        retlw   b'00000001'
        retlw   b'00000010'
        retlw   b'00000100'
        retlw   b'00001000'
        retlw   b'00010000'
        retlw   b'00100000'
        retlw   b'01000000'
        retlw   b'10000000'
        retlw   b'01000000'
        retlw   b'00100000'
        retlw   b'00010000'
        retlw   b'00001000'
        retlw   b'00000100'
        retlw   b'00000010'

        end
